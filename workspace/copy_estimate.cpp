#include "workspace/copy_estimate.h"

#include <QtConcurrent/QtConcurrentRun>
#include <new>

#include "base/errors.h"

namespace lanxi {
namespace {

FittedCopy work(const std::shared_ptr<const void>& keep, const DrawnImage* drawing,
                const SiteLimits* limits, const std::atomic<bool>* cancel) {
    Q_UNUSED(keep);
    try {
        return FitUploadCopy(drawing->image(), *limits, cancel);
    } catch (const Error& e) {
        FittedCopy none;
        none.reason = e.message();
        return none;
    } catch (const std::bad_alloc&) {
        FittedCopy none;
        none.reason = QStringLiteral("内存不足");
        return none;
    }
}

}  // namespace

QString CopyDescription(const FittedCopy& copy, QSize result) {
    QString text =
        QStringLiteral("%1（质量%2）").arg(SiteBytes(copy.jpeg.size())).arg(copy.quality);
    if (result.isValid() && copy.size != result) {
        text += QStringLiteral("，%1 × %2 像素").arg(copy.size.width()).arg(copy.size.height());
    }
    return text;
}

CopyEstimate::CopyEstimate(QObject* parent) : QObject(parent) {
    pool_.setMaxThreadCount(1);
    connect(&watcher_, &QFutureWatcherBase::finished, this, &CopyEstimate::landed);
}

CopyEstimate::~CopyEstimate() {
    if (running_) {
        running_->cancel = true;
    }
    watcher_.disconnect(this);
    pool_.waitForDone();
}

int CopyEstimate::Request(const DrawnImage& drawing, const SiteLimits& limits) {
    auto job = std::make_shared<Job>();
    job->number = ++requested_;
    job->drawing = drawing;
    job->limits = limits;
    latest_.reset();
    if (running_) {
        running_->cancel = true;  // its answer would be stale
        waiting_ = std::move(job);
    } else {
        start(std::move(job));
    }
    return requested_;
}

void CopyEstimate::start(std::shared_ptr<Job> job) {
    running_ = std::move(job);
    watcher_.setFuture(QtConcurrent::run(&pool_, work, std::shared_ptr<const void>(running_),
                                         &running_->drawing, &running_->limits, &running_->cancel));
}

void CopyEstimate::landed() {
    const std::shared_ptr<Job> done = std::move(running_);
    if (waiting_) {
        start(std::move(waiting_));
        return;
    }
    if (done && done->number == requested_) {
        latest_ = watcher_.result();
        emit ready();
    }
}

}  // namespace lanxi
