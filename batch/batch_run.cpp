#include "batch/batch_run.h"

#include <QFileInfo>
#include <QStorageInfo>
#include <QThread>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <new>

#include "jpeg/module1.h"
#include "picture/errors.h"
#include "picture/loader.h"
#include "picture/safe_file.h"

namespace lanxi {

QString WriteFailureReason(const QString& target) {
    QString reason = WriteObstacle(target);
    if (!reason.isEmpty()) {
        return reason;
    }
    const QFileInfo file(target);
    const QFileInfo dir(file.absolutePath());
    const QStorageInfo volume(dir.absoluteFilePath());
    if (volume.isValid() && volume.isReadOnly()) {
        return QStringLiteral("磁盘是只读的");
    }
    if (!dir.isWritable()) {
        return QStringLiteral("没有写入权限（文件夹只读）");
    }
    if (file.exists() && !file.isWritable()) {
        return QStringLiteral("文件是只读的");
    }
    // Nothing stands in the way, so it was most likely the space running out mid-write.
    if (volume.isValid() && volume.bytesAvailable() < 1024 * 1024) {
        return QStringLiteral("磁盘空间不足");
    }
    return QStringLiteral("写入失败");
}

RowResult CompressFile(const BatchJob& job) {
    StdPicture picture;
    try {
        picture = LoadPicture(job.source);
    } catch (const Error& e) {
        return {false, QStringLiteral("无法读出图片，%1").arg(e.message())};
    } catch (const std::bad_alloc&) {
        return {false, QStringLiteral("无法读出图片，内存不足")};
    }
    const QString targetName = QFileInfo(job.target).fileName();
    try {
        if (SaveAsJpeg(picture, job.target, kBatchQuality) == kTrue) {
            return {true, {}};
        }
    } catch (const Error& e) {
        return {false, QStringLiteral("无法写入“%1”，%2").arg(targetName, e.message())};
    } catch (const std::bad_alloc&) {
        return {false, QStringLiteral("无法写入“%1”，内存不足").arg(targetName)};
    }
    return {false,
            QStringLiteral("无法写入“%1”，%2").arg(targetName, WriteFailureReason(job.target))};
}

BatchRun::BatchRun(std::vector<BatchJob> jobs, QObject* parent, int workers)
    : QObject(parent),
      jobs_(std::move(jobs)),
      results_(jobs_.size()),
      scheduler_(RowPrerequisites(jobs_), SourceSizes(jobs_)),
      workers_(std::max(1, workers > 0 ? workers : QThread::idealThreadCount())) {
    // One thread per worker: a row in flight holds one picture, so memory stays bounded by
    // the workers, never by the list.
    pool_.setMaxThreadCount(workers_);
}

BatchRun::~BatchRun() {
    stopRequested_ = true;
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
}

void BatchRun::fill() {
    // A row's start is reported before it goes, and a listener may stop the run there.
    while (!stopRequested_ && inFlight_ < workers_) {
        const int next = scheduler_.Next();
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
    emit rowStarted(index);
    auto* watcher = new QFutureWatcher<RowResult>(this);
    connect(watcher, &QFutureWatcherBase::finished, this,
            [this, index, watcher] { landed(index, watcher); });
    watcher->setFuture(QtConcurrent::run(&pool_, CompressFile, jobs_[std::size_t(index)]));
}

void BatchRun::landed(int index, QFutureWatcher<RowResult>* watcher) {
    results_[std::size_t(index)] = watcher->result();
    watcher->deleteLater();
    scheduler_.Finished(index);
    --inFlight_;
    ++done_;
    emit rowFinished(index);
    fill();
}

}  // namespace lanxi
