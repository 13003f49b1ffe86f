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

void CopyEstimate::setKeepFile(bool keep) {
    keepFile_ = keep;
    if (!keep) {
        preview_.reset();  // its pixels go now
    }
}

void CopyEstimate::Request(const DrawnImage& drawing, const SiteLimits& limits) {
    auto job = std::make_shared<Job>();
    job->drawing = drawing;
    job->limits = limits;
    job->keepFile = keepFile_;
    if (keepFile_ && latest_ && !latest_->jpeg.isEmpty() && latestDrawing_ == drawing &&
        latestLimits_ == limits) {
        job->made = latest_;  // only the decoding is left
    }
    latest_.reset();
    preview_.reset();
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
        Made made;
        made.copy = job->made ? *job->made
                              : MakeUploadCopy(job->drawing, job->limits, &job->stop, {},
                                               !job->limits.any() && !job->keepFile);
        if (job->keepFile && !made.copy.stopped) {
            made.preview = PreviewOf(made.copy, job->drawing, job->limits);
        }
        return made;
    }));
}

void CopyEstimate::landed() {
    const std::shared_ptr<Job> job = std::move(running_);
    if (waiting_) {
        start(std::move(waiting_));
        return;
    }
    // Taken out of the future, so that the pixels go as soon as this lets them go.
    Made made = watcher_.future().takeResult();
    latest_ = std::move(made.copy);
    preview_ = keepFile_ ? std::move(made.preview) : std::nullopt;
    latestDrawing_ = job->drawing;
    latestLimits_ = job->limits;
    emit ready();
}

}  // namespace lanxi
