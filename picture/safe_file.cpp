#include "picture/safe_file.h"

#include <QDir>
#include <QFileInfo>

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
    if (!file_.commit()) {
        fail();
        return false;
    }
    return true;
}

void SafeFile::fail() {
    failed_ = true;
    switch (file_.error()) {
        case QFileDevice::NoError:
            reason_ = QStringLiteral("写入失败");
            break;
        case QFileDevice::ResourceError:
            reason_ = QStringLiteral("磁盘空间不足");
            break;
        case QFileDevice::PermissionsError:
            reason_ = QStringLiteral("没有写入权限");
            break;
        case QFileDevice::OpenError: {
            const QFileInfo dir(QFileInfo(target_).absolutePath());
            reason_ = dir.isWritable() ? QStringLiteral("无法创建文件")
                                       : QStringLiteral("没有写入权限（文件夹只读）");
            break;
        }
        default: {
            const QString detail = file_.errorString();
            if (detail.contains(QLatin1String("space"), Qt::CaseInsensitive)) {
                reason_ = QStringLiteral("磁盘空间不足");
            } else if (detail.contains(QLatin1String("read-only"), Qt::CaseInsensitive) ||
                       detail.contains(QLatin1String("permission"), Qt::CaseInsensitive) ||
                       detail.contains(QLatin1String("not writable"), Qt::CaseInsensitive)) {
                reason_ = QStringLiteral("没有写入权限");
            } else {
                reason_ = QStringLiteral("写入失败（%1）").arg(detail);
            }
            break;
        }
    }
    if (file_.isOpen()) {
        file_.cancelWriting();
        file_.commit();
    }
}

}  // namespace lanxi
