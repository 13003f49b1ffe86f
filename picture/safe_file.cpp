#include "picture/safe_file.h"

#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <cstring>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace lanxi {

QString WriteObstacle(const QString& target) {
    if (target.isEmpty()) {
        return QStringLiteral("没有给出文件名");
    }
    const QFileInfo info(target);
    if (info.isDir()) {
        return QStringLiteral("已有同名的文件夹");
    }
    if (info.exists() && !info.isFile()) {
        return QStringLiteral("这不是普通文件");
    }
    const QFileInfo dir(info.absolutePath());
    if (!dir.exists()) {
        return QStringLiteral("文件夹不存在：%1").arg(QDir::toNativeSeparators(dir.filePath()));
    }
    if (!dir.isDir()) {
        return QStringLiteral("路径中的“%1”不是文件夹")
            .arg(QDir::toNativeSeparators(dir.filePath()));
    }
    return {};
}

QString SafeFile::syncToDisk() {
#ifdef Q_OS_WIN
    const bool synced = ::_commit(file_.handle()) == 0;
#else
    const bool synced = ::fsync(file_.handle()) == 0 || errno == EINVAL || errno == ENOTSUP;
#endif
    if (synced) {
        return {};
    }
    if (errno == ENOSPC) {
        return QStringLiteral("磁盘空间不足");
    }
    return QStringLiteral("写入失败（%1）").arg(QString::fromLocal8Bit(std::strerror(errno)));
}

SafeFile::SafeFile(const QString& target) : target_(target), file_(target) {}

SafeFile::~SafeFile() {
    if (file_.isOpen()) {
        file_.cancelWriting();
        file_.commit();  // with writing cancelled this only removes the temporary file
    }
}

bool SafeFile::open() {
    reason_ = WriteObstacle(target_);
    if (!reason_.isEmpty()) {
        failed_ = true;
        return false;
    }
    if (!file_.open(QIODevice::WriteOnly)) {
        fail();
        return false;
    }
    return true;
}

bool SafeFile::write(const char* data, qint64 size) {
    if (failed_) {
        return false;
    }
    while (size > 0) {
        const qint64 n = file_.write(data, size);
        if (n <= 0) {
            fail();
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

QIODevice* SafeFile::device() {
    return &file_;
}

void SafeFile::abandon() {
    if (file_.isOpen()) {
        fail();
    }
}

bool SafeFile::commit() {
    if (failed_ || !file_.isOpen()) {
        return false;
    }
    // QSaveFile::commit() would rename a temporary file whose last buffered bytes never reached
    // the disk (a full disk found while flushing), and it ignores a failed sync: either would
    // put a short file in the target's place. So both are checked before the rename.
    if (!file_.flush()) {
        fail();
        return false;
    }
    if (const QString syncFailure = syncToDisk(); !syncFailure.isEmpty()) {
        fail();
        reason_ = syncFailure;
        return false;
    }
    if (!file_.commit()) {
        fail();
        return false;
    }
    return true;
}

void SafeFile::fail() {
    failed_ = true;
    reason_ = describeFailure();
    if (file_.isOpen()) {
        file_.cancelWriting();
        file_.commit();
    }
}

QString SafeFile::describeFailure() const {
    const QFileDevice::FileError error = file_.error();
    // Qt's own texts may be translated; the system's (errno) texts are English.
    const QString detail = file_.errorString();
    if (error == QFileDevice::ResourceError ||
        detail.contains(QLatin1String("space"), Qt::CaseInsensitive)) {
        return QStringLiteral("磁盘空间不足");
    }
    // Ask the file system rather than the error text: a read-only disk and a write-protected
    // folder both show as a folder that cannot be written.
    const QFileInfo info(target_);
    if (!QFileInfo(info.absolutePath()).isWritable()) {
        return QStringLiteral("没有写入权限（文件夹只读）");
    }
    if (info.exists() && !info.isWritable()) {
        return QStringLiteral("没有写入权限（文件只读）");
    }
    if (error == QFileDevice::PermissionsError ||
        detail.contains(QLatin1String("read-only"), Qt::CaseInsensitive) ||
        detail.contains(QLatin1String("permission"), Qt::CaseInsensitive)) {
        return QStringLiteral("没有写入权限");
    }
    if (error == QFileDevice::NoError) {
        return QStringLiteral("写入失败");
    }
    if (error == QFileDevice::OpenError) {
        return QStringLiteral("无法创建文件（%1）").arg(detail);
    }
    return QStringLiteral("写入失败（%1）").arg(detail);
}

}  // namespace lanxi
