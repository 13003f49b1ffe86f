#include "batch/batch_run.h"

#include <QFileInfo>
#include <QStorageInfo>
#include <QtConcurrent/QtConcurrentRun>
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

BatchRun::BatchRun(std::vector<BatchJob> jobs, QObject* parent)
    : QObject(parent), jobs_(std::move(jobs)), results_(jobs_.size()) {
    // One row in flight at a time: one picture in memory, rows written in list order.
    pool_.setMaxThreadCount(1);
    connect(&watcher_, &QFutureWatcher<RowResult>::finished, this, &BatchRun::landed);
}

BatchRun::~BatchRun() {
    stopRequested_ = true;
    watcher_.disconnect(this);
    pool_.waitForDone();
}

void BatchRun::Start() {
    if (running_ || jobs_.empty()) {
        return;
    }
    running_ = true;
    launch(0);
}

void BatchRun::Stop() {
    stopRequested_ = true;
}

void BatchRun::launch(std::size_t index) {
    current_ = index;
    emit rowStarted(int(index));
    watcher_.setFuture(QtConcurrent::run(&pool_, CompressFile, jobs_[index]));
}

void BatchRun::landed() {
    results_[current_] = watcher_.result();
    ++done_;
    emit rowFinished(int(current_));
    if (!stopRequested_ && current_ + 1 < jobs_.size()) {
        launch(current_ + 1);
        return;
    }
    running_ = false;
    emit finished();
}

}  // namespace lanxi
