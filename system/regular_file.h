#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

#include "base/stop.h"

namespace lanxi {

// A file opened for reading only when it is a plain file on a disk. Names that lead to a
// folder, a device (/dev/zero, CON), a pipe or a socket are refused: such a "file" may never
// end or may never answer. The check is made on the opened file itself, so a file swapped for
// a pipe after it was listed is refused too, and opening never waits for a pipe's writer.
class RegularFile {
  public:
    RegularFile() = default;
    ~RegularFile();
    RegularFile(const RegularFile&) = delete;
    RegularFile& operator=(const RegularFile&) = delete;

    // Opens the file. Throws lanxi::Error whose message says in Chinese why it cannot be read.
    void open(const QString& path);
    // The size the file had when it was opened.
    std::int64_t size() const { return size_; }
    // Reads up to `count` bytes at the current position; fewer only at the file's end. Throws
    // lanxi::Error when the system cannot read it.
    std::int64_t read(char* data, std::int64_t count);
    // Moves the position; false when the system refuses.
    bool seek(std::int64_t position);

  private:
    // One read of the system's: the bytes it gave (0 at the end), or -1 when it failed.
    std::int64_t readSome(char* data, std::int64_t count);

    std::intptr_t handle_ = -1;
    std::int64_t size_ = 0;
};

// Why a file of `size` bytes is not read when at most `limit` are (in Chinese), or empty.
QString TooLargeToRead(std::int64_t size, std::int64_t limit);

// The whole content of a plain file of at most `limit` bytes, read as far as its size went when
// it was opened (a file that keeps growing is not followed). With `stop`, reading ends soon
// after a stop is requested (lanxi::Error with ErrorCode::UserInterrupt). Throws lanxi::Error with
// the reason when the file cannot be read or is larger than `limit`.
QByteArray ReadRegularFile(const QString& path, std::int64_t limit, const Stop* stop = nullptr);

}  // namespace lanxi
