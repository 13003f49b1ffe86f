#include "tests/support/filesystems.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>

#ifdef __linux__
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#endif

namespace lanxi::test {
namespace {

#ifdef __linux__
QString systemError(const char* what) {
    return QStringLiteral("%1: %2").arg(QLatin1String(what),
                                        QString::fromLocal8Bit(strerror(errno)));
}
#endif

// True when a new file can be made in the directory (the probe is removed again).
bool canCreateIn(const QString& dir) {
    QFile probe(QDir(dir).filePath(QStringLiteral(".probe")));
    if (!probe.open(QIODevice::WriteOnly)) {
        return false;
    }
    probe.close();
    probe.remove();
    return true;
}

}  // namespace

QStringList DirectoryEntries(const QString& path) {
    QStringList names =
        QDir(path).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    names.sort();
    return names;
}

SmallFilesystem::SmallFilesystem(qint64 bytes) : path_(base_.file(QStringLiteral("小盘"))) {
    if (!QDir().mkpath(path_)) {
        why_ = QStringLiteral("cannot make the mount point");
        return;
    }
#ifdef __linux__
    const QByteArray options = "size=" + QByteArray::number(bytes) + ",mode=0777";
    if (::mount("tmpfs", QFile::encodeName(path_).constData(), "tmpfs", 0, options.constData()) !=
        0) {
        why_ = systemError("mount tmpfs (needs root)");
        return;
    }
    mounted_ = true;
#else
    Q_UNUSED(bytes);
    why_ = QStringLiteral("no tmpfs on this system");
#endif
}

SmallFilesystem::~SmallFilesystem() {
#ifdef __linux__
    if (mounted_) {
        ::umount2(QFile::encodeName(path_).constData(), MNT_DETACH);
    }
#endif
}

QString SmallFilesystem::file(const QString& name) const {
    return QDir(path_).filePath(name);
}

bool SmallFilesystem::fill(qint64 leave) {
    if (!mounted_) {
        return false;
    }
    QFile filler(file(QStringLiteral("filler")));
    if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        why_ = filler.errorString();
        return false;
    }
    // Write in shrinking blocks until nothing more fits, then give back what is to be left.
    const QByteArray block(4096, 'x');
    qint64 size = 0;
    for (qint64 step = block.size(); step > 0; step /= 2) {
        while (filler.write(block.constData(), step) == step) {
            size += step;
        }
    }
    filler.close();
    if (leave > 0 && !filler.resize(std::max<qint64>(0, size - leave))) {
        why_ = filler.errorString();
        return false;
    }
    return true;
}

bool SmallFilesystem::makeReadOnly() {
#ifdef __linux__
    if (mounted_ && ::mount("tmpfs", QFile::encodeName(path_).constData(), "tmpfs",
                            MS_REMOUNT | MS_RDONLY, nullptr) == 0) {
        return true;
    }
    why_ = mounted_ ? systemError("remount read-only") : why_;
#endif
    return false;
}

ReadOnlyDirectory::ReadOnlyDirectory() {
    mount_ = std::make_unique<SmallFilesystem>(1024 * 1024);
    if (mount_->mounted()) {
        path_ = mount_->path();
        return;
    }
    why_ = mount_->why();
    mount_.reset();
    plain_ = std::make_unique<TempDir>();
    path_ = plain_->path();
}

ReadOnlyDirectory::~ReadOnlyDirectory() {
    if (chmodded_) {
        QFile::setPermissions(path_, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
}

QString ReadOnlyDirectory::file(const QString& name) const {
    return QDir(path_).filePath(name);
}

bool ReadOnlyDirectory::lock() {
    if (mount_) {
        if (!mount_->makeReadOnly()) {
            why_ = mount_->why();
            return false;
        }
    } else {
        chmodded_ = QFile::setPermissions(path_, QFile::ReadOwner | QFile::ExeOwner);
    }
    if (canCreateIn(path_)) {
#ifdef Q_OS_WIN
        why_ += QStringLiteral("; a folder's read-only mark does not stop new files on Windows");
#else
        why_ += QStringLiteral("; the directory stays writable (root ignores permissions)");
#endif
        return false;
    }
    return true;
}

FullDevice::FullDevice() : path_(QStringLiteral("/dev/full")) {
#ifdef __linux__
    const QString node = dir_.file(QStringLiteral("满盘"));
    if (::mknod(QFile::encodeName(node).constData(), S_IFCHR | 0666, makedev(1, 7)) == 0) {
        path_ = node;
    }
#endif
}

}  // namespace lanxi::test
