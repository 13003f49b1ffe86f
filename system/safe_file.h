#pragma once

#include <QFileDevice>
#include <QString>
#include <cstdint>
#include <memory>

namespace lanxi {

// What a write does when the name it is given is a symbolic link.
enum class AtLink {
    // The file the link leads to is replaced and the link stays, as an editor saves over a file
    // the user chose: for names the user gave, and for a file written over itself.
    WriteThrough,
    // The link itself is replaced by the new file. For names the program made up (a "_YS" copy,
    // a JPEG beside a BMP): a link left under such a name, in an unpacked archive or a shared
    // folder, must never carry our write into another folder.
    Replace,
};

// A file written under a temporary name in the target's directory that takes the target's
// place only on commit(). Until then an existing file at the target stays as it was; a write
// that is abandoned (destroyed without commit, or a failed commit) leaves no temporary file.
class SafeFile {
  public:
    explicit SafeFile(const QString& target, AtLink atLink = AtLink::WriteThrough);
    ~SafeFile();
    SafeFile(const SafeFile&) = delete;
    SafeFile& operator=(const SafeFile&) = delete;

    // A copy made from `source` is never more readable than it: the new file's group and others
    // get no right the source does not give them. Call before open().
    void limitRightsTo(const QString& source) { rightsFrom_ = source; }

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
    bool openReplacement();
    bool replaceTarget();
    void discard();
    void fail();
    QString describeFailure() const;
    // Empty when the data is on the disk; else why not.
    QString syncToDisk();
    // The new file takes the rights and, where the system lets us, the owner of the file it
    // replaces; a new name takes the rights a new file gets, limited by rightsFrom_.
    void keepOwnerAndRights();

    QString target_;
    AtLink atLink_;
    std::unique_ptr<QFileDevice> file_;
    QString reason_;
    QString rightsFrom_;
    bool failed_ = false;
};

// Writes `bytes` as the whole file at `path` through a SafeFile. False with *reason (Chinese)
// when the file was not written; an existing file then stays as it was.
bool WriteWholeFile(const QString& path, const QByteArray& bytes, AtLink atLink, QString* reason,
                    const QString& rightsFrom = {});

// The Chinese reason for a file that cannot be written at all (missing directory, directory in
// the way, not a regular file, a name longer than the system allows, or one that leaves no room
// for the name of the temporary file the write goes through); empty when nothing is known to be
// wrong before trying.
QString WriteObstacle(const QString& target, AtLink atLink = AtLink::WriteThrough);

// Why a write of `bytes` at `target` would fail, in the words a failed write would use, as far as
// that is known without writing: what WriteObstacle knows, a read-only disk, folder or file,
// too little free space. Empty when nothing is known to stand in the way.
QString ForeseenWriteFailure(const QString& target, AtLink atLink, std::int64_t bytes);

}  // namespace lanxi
