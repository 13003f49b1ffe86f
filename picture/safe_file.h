#pragma once

#include <QSaveFile>
#include <QString>
#include <memory>

namespace lanxi {

// A file written under a temporary name in the target's directory that takes the target's
// place only on commit(). Until then an existing file at the target stays as it was; a write
// that is abandoned (destroyed without commit, or a failed commit) leaves no temporary file.
class SafeFile {
  public:
    explicit SafeFile(const QString& target);
    ~SafeFile();
    SafeFile(const SafeFile&) = delete;
    SafeFile& operator=(const SafeFile&) = delete;

    // False when the target cannot be written; reason() tells why.
    bool open();
    bool write(const char* data, qint64 size);
    // Flushes, then replaces the target. False (with reason()) when anything failed.
    bool commit();
    QIODevice* device();
    // Gives up the write: the target stays as it was and the temporary file goes. reason()
    // then tells why the device refused the data, if it did.
    void abandon();
    // Why the file could not be written, in Chinese.
    const QString& reason() const { return reason_; }
    const QString& target() const { return target_; }

  private:
    void fail();
    QString describeFailure() const;
    // Empty when the data is on the disk; else why not.
    QString syncToDisk();

    QString target_;
    QSaveFile file_;
    QString reason_;
    bool failed_ = false;
};

// The Chinese reason for a file that cannot be written at all (missing directory, directory in
// the way, not a regular file); empty when nothing is known to be wrong before trying.
QString WriteObstacle(const QString& target);

}  // namespace lanxi
