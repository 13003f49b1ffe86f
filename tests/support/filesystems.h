#pragma once

#include "tests/support/printers.h"

#include <QString>
#include <QStringList>
#include <memory>

#include "tests/support/images.h"

// Places where writing fails the way it fails on a user's machine: a read-only directory, a
// full disk, a device in place of a file. Each helper says whether it could be set up; a test
// skips when it could not:
//     ReadOnlyDirectory dir;
//     ... put files in dir.path() ...
//     if (!dir.lock()) GTEST_SKIP() << dir.why();
namespace lanxi::test {

// Every name in a directory, hidden ones included, sorted (to show that a failed write left
// no temporary file behind).
QStringList DirectoryEntries(const QString& path);

// A small file system of its own (tmpfs) mounted on a fresh directory whose path holds Chinese
// characters; unmounted again at the end. Needs root (tests run as root in the container).
class SmallFilesystem {
  public:
    explicit SmallFilesystem(qint64 bytes = 64 * 1024);
    ~SmallFilesystem();
    SmallFilesystem(const SmallFilesystem&) = delete;
    SmallFilesystem& operator=(const SmallFilesystem&) = delete;

    bool mounted() const { return mounted_; }
    const QString& why() const { return why_; }
    const QString& path() const { return path_; }
    QString file(const QString& name) const;

    // Fills the free space with the file "filler", leaving at most `leave` bytes free.
    // False (with why()) when it could not.
    bool fill(qint64 leave = 0);
    // Makes the whole file system read-only. False (with why()) when it could not.
    bool makeReadOnly();

  private:
    TempDir base_;
    QString path_;
    QString why_;
    bool mounted_ = false;
};

// A directory in which no file can be created, replaced or removed. Fill it first, then
// lock() it: a read-only mount as root, or the directory's write permission taken away for
// anyone else. lock() proves the result by trying to create a file there.
class ReadOnlyDirectory {
  public:
    ReadOnlyDirectory();
    ~ReadOnlyDirectory();
    ReadOnlyDirectory(const ReadOnlyDirectory&) = delete;
    ReadOnlyDirectory& operator=(const ReadOnlyDirectory&) = delete;

    const QString& path() const { return path_; }
    QString file(const QString& name) const;
    bool lock();
    const QString& why() const { return why_; }

  private:
    std::unique_ptr<SmallFilesystem> mount_;
    std::unique_ptr<TempDir> plain_;
    QString path_;
    QString why_;
    bool chmodded_ = false;
};

// A device that takes no data ("disk full" on every write), in place of a file: a node made
// with mknod in a temporary directory as root, else the system's own /dev/full (which a user
// other than root cannot replace, so a faulty writer cannot harm it).
class FullDevice {
  public:
    FullDevice();
    const QString& path() const { return path_; }

  private:
    TempDir dir_;
    QString path_;
};

}  // namespace lanxi::test
