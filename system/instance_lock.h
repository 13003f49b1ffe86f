#pragma once

#include <QString>

namespace lanxi {

// A lock that one process at a time holds under a name. The system lets it go when the process
// ends however it ends (a crash, a kill), so that a dead holder never keeps it from the next.
// On Linux it is a lock on the file NAME.lock; on Windows a mutex of the user's session.
class InstanceLock {
  public:
    explicit InstanceLock(QString name);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // Takes the lock unless another process holds it, without waiting; true while held.
    bool TryLock();
    void Unlock();
    bool IsLocked() const;

  private:
    QString name_;
#ifdef Q_OS_WIN
    void* mutex_ = nullptr;
#else
    int fd_ = -1;
#endif
};

// The name under which the user's running `program` is found: the local socket it listens on
// (QLocalServer's name) and, with InstanceLock, what makes it the one. On Linux a path in the
// user's runtime folder ($XDG_RUNTIME_DIR), which only the user may enter; on Windows a name of
// the user's session and temporary folder. Empty when there is no such place.
QString UserInstanceName(const QString& program);

}  // namespace lanxi
