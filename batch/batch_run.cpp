#include "batch/batch_run.h"

#include <QFileInfo>
#include <QThread>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <new>

#include "jpeg/upload_copy.h"
#include "picture/errors.h"
#include "picture/loader.h"
#include "picture/machine.h"

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

}  // namespace

RowResult CompressFile(const BatchJob& job, const std::atomic<bool>* cancel) {
    const auto stopped = [] { return RowResult{false, QStringLiteral("已停止"), true}; };
    StdPicture picture;
    LoadControl load{cancel};
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
    QString reason;
    try {
        if (WriteUploadCopy(picture, job.target, &reason,
                            job.overSource ? AtLink::WriteThrough : AtLink::Replace, cancel)) {
            return {true, {}};
        }
    } catch (const std::bad_alloc&) {
        reason = QStringLiteral("内存不足");
    }
    if (cancel != nullptr && cancel->load()) {
        return stopped();
    }
    return {false,
            QStringLiteral("无法写入“%1”，%2").arg(QFileInfo(job.target).fileName(), reason)};
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
