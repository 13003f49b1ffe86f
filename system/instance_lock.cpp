#include "system/instance_lock.h"

#include <QCryptographicHash>
#include <QDir>
#include <QStandardPaths>
#include <utility>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <QFile>
#endif

namespace lanxi {

InstanceLock::InstanceLock(QString name) : name_(std::move(name)) {}

InstanceLock::~InstanceLock() {
    Unlock();
}

#ifdef Q_OS_WIN

bool InstanceLock::TryLock() {
    if (mutex_ != nullptr) {
        return true;
    }
    const QString name = QStringLiteral("Local\\") + name_ + QStringLiteral("-lock");
    HANDLE mutex = ::CreateMutexW(nullptr, FALSE, reinterpret_cast<const wchar_t*>(name.utf16()));
    if (mutex == nullptr) {
        return false;
    }
    // An abandoned mutex is one whose holder died: it is ours now.
    const DWORD waited = ::WaitForSingleObject(mutex, 0);
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
        ::CloseHandle(mutex);
        return false;
    }
    mutex_ = mutex;
    return true;
}

void InstanceLock::Unlock() {
    if (mutex_ != nullptr) {
        ::ReleaseMutex(static_cast<HANDLE>(mutex_));
        ::CloseHandle(static_cast<HANDLE>(mutex_));
        mutex_ = nullptr;
    }
}

bool InstanceLock::IsLocked() const {
    return mutex_ != nullptr;
}

QString UserInstanceName(const QString& program) {
    // Named pipes are seen by the whole machine: the name carries the user's session and
    // temporary folder (under the user's profile), so that another user's or another session's
    // program is never the one found.
    DWORD session = 0;
    ::ProcessIdToSessionId(::GetCurrentProcessId(), &session);
    const QByteArray who = (qEnvironmentVariable("USERNAME") + QLatin1Char('\n') +
                            QString::number(session) + QLatin1Char('\n') + QDir::tempPath())
                               .toUtf8();
    return program + QLatin1Char('-') +
           QString::fromLatin1(
               QCryptographicHash::hash(who, QCryptographicHash::Sha256).toHex().left(16));
}

#else

bool InstanceLock::TryLock() {
    if (fd_ >= 0) {
        return true;
    }
    const QByteArray path = QFile::encodeName(name_ + QStringLiteral(".lock"));
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        return false;
    }
    // flock's lock belongs to the open file, which the system closes when the process ends.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

void InstanceLock::Unlock() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

bool InstanceLock::IsLocked() const {
    return fd_ >= 0;
}

QString UserInstanceName(const QString& program) {
    // Qt makes sure the folder is the user's own and closed to others (mode 0700), or gives
    // nothing.
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return runtime.isEmpty() ? QString() : runtime + QLatin1Char('/') + program;
}

#endif

}  // namespace lanxi
