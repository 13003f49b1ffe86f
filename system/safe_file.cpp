#include "system/safe_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QStorageInfo>
#include <cerrno>

#include "base/log.h"
#include "system/system_error.h"

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#include <cstdio>
#endif

namespace lanxi {
namespace {

// The longest file name (the last part of a path) the system takes: 255 bytes of its encoding
// on Linux, 255 UTF-16 units on Windows.
bool nameTooLong(const QString& name) {
#ifdef Q_OS_WIN
    return name.size() > 255;
#else
    return QFile::encodeName(name).size() > 255;
#endif
}

bool isLink(const QFileInfo& info) {
    return info.isSymbolicLink() || info.isJunction();
}

// What keeps a file from being written at `info` though its folder exists, asking the file system
// rather than an error text: a read-only disk and a write-protected folder both show as a folder
// that cannot be written. Empty when nothing does.
QString rightsObstacle(const QFileInfo& info) {
    const QStorageInfo volume(info.absolutePath());
    if (volume.isValid() && volume.isReadOnly()) {
        return QStringLiteral("磁盘是只读的");
    }
    if (!QFileInfo(info.absolutePath()).isWritable()) {
        return QStringLiteral("没有写入权限（文件夹只读）");
    }
    if (info.exists() && !info.isWritable()) {
        return QStringLiteral("没有写入权限（文件只读）");
    }
    return {};
}

// Our temporary file beside a name that is replaced: short, so that any name that may be written
// has room for it.
QString replacementName() {
    return QStringLiteral(".lanxi-%1.tmp")
        .arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0'));
}

// The longest name of the temporary file a write goes through: ours beside a name that is
// replaced; beside a file written through, QSaveFile's, the name of the file (that a link
// leads to) with a dot and six characters added.
QString temporaryNameFor(const QFileInfo& target, AtLink atLink) {
    if (atLink == AtLink::Replace) {
        return replacementName();
    }
    const QString written =
        target.isSymLink() ? QFileInfo(target.symLinkTarget()).fileName() : target.fileName();
    return written + QStringLiteral(".XXXXXX");
}

}  // namespace

QString WriteObstacle(const QString& target, AtLink atLink) {
    if (target.isEmpty()) {
        return QStringLiteral("没有给出文件名");
    }
    const QFileInfo info(target);
    if (nameTooLong(info.fileName())) {
        return QStringLiteral("文件名太长，超出系统允许的长度");
    }
    if (nameTooLong(temporaryNameFor(info, atLink))) {
        return QStringLiteral("文件名太长：写入时在旁边建立的临时文件的名字会超出系统允许的长度");
    }
    // A link about to be replaced may lead anywhere: only what it leads to would be in the way.
    if (!(atLink == AtLink::Replace && isLink(info))) {
        if (info.isDir()) {
            return QStringLiteral("已有同名的文件夹");
        }
        if (info.exists() && !info.isFile()) {
            return QStringLiteral("这不是普通文件");
        }
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

QString ForeseenWriteFailure(const QString& target, AtLink atLink, std::int64_t bytes) {
    if (QString obstacle = WriteObstacle(target, atLink); !obstacle.isEmpty()) {
        return obstacle;
    }
    // In the order a write meets them: a file replaced by its new name is looked at before
    // anything is created.
    const QFileInfo info(target);
    if (atLink == AtLink::Replace && !isLink(info) && info.exists() && !info.isWritable()) {
        return QStringLiteral("没有写入权限（文件只读）");
    }
    if (QString rights = rightsObstacle(info); !rights.isEmpty()) {
        return rights;
    }
    // The new file is whole beside the old one before it takes its place.
    const QStorageInfo volume(info.absolutePath());
    if (volume.isValid() && volume.bytesAvailable() < bytes) {
        return QStringLiteral("磁盘空间不足");
    }
    return {};
}

QString SafeFile::syncToDisk() {
#ifdef Q_OS_WIN
    if (::_commit(file_->handle()) == 0) {
        return {};
    }
    const int code = errno;
#else
    if (::fsync(file_->handle()) == 0 || errno == EINVAL || errno == ENOTSUP) {
        return {};  // a file system that cannot sync has nothing to wait for
    }
    const int code = errno;
#endif
    if (code == ENOSPC) {
        return QStringLiteral("磁盘空间不足");
    }
#ifdef Q_OS_WIN
    return QStringLiteral("写入失败");
#else
    return SystemErrorText(code);
#endif
}

SafeFile::SafeFile(const QString& target, AtLink atLink) : target_(target), atLink_(atLink) {}

SafeFile::~SafeFile() {
    if (file_ && file_->isOpen()) {
        discard();
    }
}

bool SafeFile::open() {
    reason_ = WriteObstacle(target_, atLink_);
    if (!reason_.isEmpty()) {
        failed_ = true;
        return false;
    }
    if (atLink_ == AtLink::Replace) {
        return openReplacement();
    }
    // QSaveFile writes through a link to the file it leads to and keeps that file's permissions.
    auto file = std::make_unique<QSaveFile>(target_);
    const bool opened = file->open(QIODevice::WriteOnly);
    file_ = std::move(file);
    if (!opened) {
        fail();
    }
    return opened;
}

bool SafeFile::openReplacement() {
    const QFileInfo info(target_);
    const QDir dir(info.absolutePath());
    if (!isLink(info) && info.exists() && !info.isWritable()) {
        failed_ = true;
        reason_ = QStringLiteral("没有写入权限（文件只读）");
        return false;
    }
    // A fresh name that only this call can have created: the system refuses to create it over
    // anything that exists, a link included.
    for (int attempt = 0; attempt < 8; ++attempt) {
        auto file = std::make_unique<QFile>(dir.filePath(replacementName()));
        if (file->open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            file_ = std::move(file);
            return true;
        }
        if (!QFileInfo(file->fileName()).isSymLink() && !file->exists()) {
            file_ = std::move(file);
            fail();
            return false;
        }
    }
    failed_ = true;
    reason_ = QStringLiteral("无法创建临时文件");
    return false;
}

bool SafeFile::replaceTarget() {
    auto* file = static_cast<QFile*>(file_.get());
    const QString temporary = file->fileName();
    file->close();
#ifdef Q_OS_WIN
    const bool moved =
        ::MoveFileExW(reinterpret_cast<LPCWSTR>(QDir::toNativeSeparators(temporary).utf16()),
                      reinterpret_cast<LPCWSTR>(QDir::toNativeSeparators(target_).utf16()),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
#else
    // rename() replaces the name itself: a link there is replaced, never followed.
    const bool moved = ::rename(QFile::encodeName(temporary).constData(),
                                QFile::encodeName(target_).constData()) == 0;
#endif
    if (!moved) {
        reason_ = SystemErrorText(LastSystemError());
        QFile::remove(temporary);
        failed_ = true;
    }
    return moved;
}

bool SafeFile::write(const char* data, qint64 size) {
    if (failed_) {
        return false;
    }
    while (size > 0) {
        const qint64 n = file_->write(data, size);
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
    return file_.get();
}

void SafeFile::abandon() {
    if (file_ && file_->isOpen()) {
        fail();
    }
}

bool SafeFile::commit() {
    if (failed_ || !file_ || !file_->isOpen()) {
        return false;
    }
    // QSaveFile::commit() would rename a temporary file whose last buffered bytes never reached
    // the disk (a full disk found while flushing), and it ignores a failed sync: either would
    // put a short file in the target's place. So both are checked before the rename.
    if (!file_->flush()) {
        fail();
        return false;
    }
    if (const QString syncFailure = syncToDisk(); !syncFailure.isEmpty()) {
        fail();
        reason_ = syncFailure;
        return false;
    }
    keepOwnerAndRights();
    if (atLink_ == AtLink::Replace) {
        return replaceTarget();
    }
    if (!static_cast<QSaveFile*>(file_.get())->commit()) {
        fail();
        return false;
    }
    return true;
}

void SafeFile::keepOwnerAndRights() {
    // The file that is replaced: the link's own file when the link itself is replaced is none.
    const QFileInfo target(target_);
    const bool replaced = target.exists() && !(atLink_ == AtLink::Replace && isLink(target));
    QFile::Permissions rights = replaced ? target.permissions() : file_->permissions();
    if (!replaced && !rightsFrom_.isEmpty() && QFileInfo::exists(rightsFrom_)) {
        const QFile::Permissions source = QFile::permissions(rightsFrom_);
        const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                          QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
        rights &= ~others | (source & others);
    }
    if (rights != file_->permissions() && !file_->setPermissions(rights)) {
        qCWarning(lcProgram) << "the rights of" << target_ << "could not be kept";
    }
#ifndef Q_OS_WIN
    // Written as another user (an administrator's root), the new file would belong to that
    // user; the owner of the file it replaces is kept where the system allows it.
    struct stat st {};
    if (replaced && ::stat(QFile::encodeName(target_).constData(), &st) == 0 &&
        (st.st_uid != ::geteuid() || st.st_gid != ::getegid()) &&
        ::fchown(file_->handle(), st.st_uid, st.st_gid) != 0) {
        qCDebug(lcProgram) << "the owner of" << target_ << "could not be kept";
    }
#endif
}

void SafeFile::discard() {
    if (atLink_ == AtLink::Replace) {
        auto* file = static_cast<QFile*>(file_.get());
        file->close();
        file->remove();
    } else {
        auto* file = static_cast<QSaveFile*>(file_.get());
        file->cancelWriting();
        file->commit();  // with writing cancelled this only removes the temporary file
    }
}

void SafeFile::fail() {
    failed_ = true;
    reason_ = describeFailure();
    if (file_ && file_->isOpen()) {
        discard();
    }
}

QString SafeFile::describeFailure() const {
    const QFileDevice::FileError error = file_ ? file_->error() : QFileDevice::NoError;
    // Qt's own texts may be translated; the system's (errno) texts are English and never shown.
    const QString detail = file_ ? file_->errorString() : QString();
    if (error == QFileDevice::ResourceError ||
        detail.contains(QLatin1String("space"), Qt::CaseInsensitive)) {
        return QStringLiteral("磁盘空间不足");
    }
    const QFileInfo info(target_);
    if (const QString rights = rightsObstacle(info); !rights.isEmpty()) {
        return rights;
    }
    if (error == QFileDevice::PermissionsError ||
        detail.contains(QLatin1String("read-only"), Qt::CaseInsensitive) ||
        detail.contains(QLatin1String("permission"), Qt::CaseInsensitive)) {
        return QStringLiteral("没有写入权限");
    }
    if (detail.contains(QLatin1String("too long"), Qt::CaseInsensitive)) {
        return QStringLiteral("路径或文件名太长，超出系统允许的长度");
    }
    if (error == QFileDevice::OpenError) {
        return QStringLiteral("无法创建文件");
    }
    // Nothing stands in the way, so it was most likely the space running out mid-write.
    const QStorageInfo volume(info.absolutePath());
    if (volume.isValid() && volume.bytesAvailable() < 1024 * 1024) {
        return QStringLiteral("磁盘空间不足");
    }
    return QStringLiteral("写入失败");
}

bool WriteWholeFile(const QString& path, const QByteArray& bytes, AtLink atLink, QString* reason,
                    const QString& rightsFrom) {
    SafeFile file(path, atLink);
    if (!rightsFrom.isEmpty()) {
        file.limitRightsTo(rightsFrom);
    }
    if (file.open() && file.write(bytes.constData(), bytes.size()) && file.commit()) {
        return true;
    }
    if (reason != nullptr) {
        *reason = file.reason();
    }
    return false;
}

}  // namespace lanxi
