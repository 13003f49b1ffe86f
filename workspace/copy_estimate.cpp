#include "workspace/copy_estimate.h"

#include <QtConcurrent/QtConcurrentRun>

namespace lanxi {

CopyEstimate::CopyEstimate(QObject* parent) : QObject(parent) {
    pool_.setMaxThreadCount(1);
    connect(&watcher_, &QFutureWatcherBase::finished, this, &CopyEstimate::landed);
}

CopyEstimate::~CopyEstimate() {
    if (running_) {
        running_->stop.request();
    }
    watcher_.disconnect(this);
    pool_.waitForDone();
}

void CopyEstimate::Request(const DrawnImage& drawing, const SiteLimits& limits) {
    auto job = std::make_shared<Job>();
    job->drawing = drawing;
    job->limits = limits;
    latest_.reset();
    if (running_) {
        running_->stop.request();  // its answer would be stale
        waiting_ = std::move(job);
    } else {
        start(std::move(job));
    }
}

void CopyEstimate::start(std::shared_ptr<Job> job) {
    running_ = std::move(job);
    // The job lives as long as the work needs it: the lambda holds it.
    watcher_.setFuture(QtConcurrent::run(&pool_, [job = running_] {
        return MakeUploadCopy(job->drawing, job->limits, &job->stop, {}, !job->limits.any());
    }));
}

void CopyEstimate::landed() {
    running_.reset();
    if (waiting_) {
        start(std::move(waiting_));
        return;
    }
    latest_ = watcher_.result();
    emit ready();
}

}  // namespace lanxi
