#include "compress/batch_run.h"

#include <QFileInfo>
#include <QThread>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <new>

#include "upload/upload_copy.h"
#include "base/errors.h"
#include "codec/loader.h"
#include "system/machine.h"

namespace lanxi {
namespace {

RowScheduler scheduleRows(const std::vector<BatchJob>& jobs) {
    std::vector<qint64> sizes, memory;
    for (const PictureFootprint& f : RowFootprints(jobs)) {
        sizes.push_back(f.fileBytes);
        memory.push_back(f.memoryBytes);
    }
    return RowScheduler(RowPrerequisites(jobs), std::move(sizes), std::move(memory));
}

bool stoppedBy(const std::atomic<bool>* cancel) {
    return cancel != nullptr && cancel->load();
}

}  // namespace

RowResult CompressFile(const BatchJob& job, const std::atomic<bool>* cancel) {
    const auto stopped = [] { return RowResult{false, QStringLiteral("已停止"), true}; };
    const auto cannotWrite = [&job](const QString& why) {
        return RowResult{
            false, QStringLiteral("无法写入“%1”，%2").arg(QFileInfo(job.target).fileName(), why)};
    };
    StdPicture picture;
    LoadControl load;
    load.cancel = cancel;
    QSize original;
    if (job.limits.any()) {
        // Only about twice the pixels the copy keeps are decoded. A reduced-scale decode is
        // itself a resampling, sharper than an area average and with some ringing; averaging
        // down by two or more after it brings the copy close to an area average of the whole
        // photograph (butteraugli distance to that 0.74 instead of 0.77 on our bench's
        // photographs, up to 0.3 closer on detailed ones), for a fifth more decoding time.
        load.enough = [&job, &original](QSize full) {
            original = full;
            const QSize kept = LimitedSize(job.limits, full);
            return kept == full ? full : (kept * 2).boundedTo(full);
        };
    }
    try {
        picture = LoadPicture(job.source, &load);
    } catch (const Error& e) {
        if (e.code() == ErrorCode::UserInterrupt) {
            return stopped();
        }
        return {false, QStringLiteral("无法读出图片，%1").arg(e.message())};
    } catch (const std::bad_alloc&) {
        return {false, QStringLiteral("无法读出图片，内存不足")};
    }
    if (load.damaged) {
        // Grey blocks would take the photograph's place, and over the source they would destroy
        // what another tool might still recover.
        return {false,
                QStringLiteral("图片数据已损坏（部分内容无法解码），没有压缩，原文件保持不变")};
    }
    const AtLink atLink = job.overSource ? AtLink::WriteThrough : AtLink::Replace;
    RowResult result;
    result.written = true;
    result.bytesBefore = QFileInfo(job.source).size();
    QString reason;
    try {
        if (!job.limits.any()) {
            if (!WriteUploadCopy(picture, job.target, &reason, atLink, cancel)) {
                result.written = false;
            }
            result.quality = kUploadCopy.quality;
        } else {
            const FittedCopy copy = FitUploadCopy(picture, job.limits, cancel, original);
            if (!copy.fits()) {
                if (stoppedBy(cancel)) {
                    return stopped();
                }
                return {false, QStringLiteral("无法压缩到%1以内：%2")
                                   .arg(SiteBytes(job.limits.maxBytes), copy.reason)};
            }
            result.written = WriteWholeFile(job.target, copy.jpeg, atLink, &reason);
            result.quality = copy.quality;
        }
    } catch (const std::bad_alloc&) {
        result.written = false;
        reason = QStringLiteral("内存不足");
    }
    if (!result.written) {
        return stoppedBy(cancel) ? stopped() : cannotWrite(reason);
    }
    result.bytesAfter = QFileInfo(job.target).size();
    return result;
}

std::int64_t DefaultMemoryBudget() {
    return UsableMemoryBytes() / 4;
}

BatchRun::BatchRun(std::vector<BatchJob> jobs, QObject* parent, int workers,
                   std::int64_t memoryBudget)
    : QObject(parent),
      jobs_(std::move(jobs)),
      results_(jobs_.size()),
      scheduler_(scheduleRows(jobs_)),
      workers_(std::max(1, workers > 0 ? workers : QThread::idealThreadCount())),
      memoryBudget_(memoryBudget > 0 ? memoryBudget : DefaultMemoryBudget()) {
    pool_.setMaxThreadCount(workers_);
}

BatchRun::~BatchRun() {
    stopRequested_ = true;
    cancel_ = true;
    for (QFutureWatcherBase* watcher : findChildren<QFutureWatcherBase*>()) {
        watcher->disconnect(this);
    }
    pool_.waitForDone();
}

void BatchRun::Start() {
    if (running_ || jobs_.empty()) {
        return;
    }
    running_ = true;
    fill();
}

void BatchRun::Stop() {
    stopRequested_ = true;
    cancel_ = true;
}

void BatchRun::fill() {
    // A row's start is reported before it goes, and a listener may stop the run there.
    while (!stopRequested_ && inFlight_ < workers_) {
        // With nothing in flight any row may go, however large: it then runs alone.
        const int next =
            scheduler_.Next(inFlight_ == 0 ? std::numeric_limits<qint64>::max()
                                           : std::max<qint64>(0, memoryBudget_ - memoryInFlight_));
        if (next < 0) {
            break;
        }
        launch(next);
    }
    if (inFlight_ == 0) {
        running_ = false;
        emit finished();
    }
}

void BatchRun::launch(int index) {
    ++inFlight_;
    memoryInFlight_ += scheduler_.Memory(index);
    peakMemory_ = std::max(peakMemory_, memoryInFlight_);
    emit rowStarted(index);
    auto* watcher = new QFutureWatcher<RowResult>(this);
    connect(watcher, &QFutureWatcherBase::finished, this,
            [this, index, watcher] { landed(index, watcher); });
    watcher->setFuture(
        QtConcurrent::run(&pool_, CompressFile, jobs_[std::size_t(index)], &cancel_));
}

void BatchRun::landed(int index, QFutureWatcher<RowResult>* watcher) {
    results_[std::size_t(index)] = watcher->result();
    watcher->deleteLater();
    scheduler_.Finished(index);
    memoryInFlight_ -= scheduler_.Memory(index);
    --inFlight_;
    ++done_;
    emit rowFinished(index);
    fill();
}

}  // namespace lanxi
