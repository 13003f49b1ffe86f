#pragma once

#include <QByteArray>
#include <cstdint>

#include "system/regular_file.h"

namespace lanxi {

// The bytes of a picture file as the header readers see them: in memory when a decoder reads
// the header of what it is about to decode, on disk when a probe reads only the header. Both
// read through the same header reader, so the two cannot disagree about a file.
class ByteSource {
  public:
    virtual ~ByteSource() = default;
    std::int64_t size() const { return size_; }
    // Reads up to `count` bytes at `position`; fewer only at the end, 0 past it or on failure.
    virtual std::int64_t read(std::int64_t position, char* out, std::int64_t count) const = 0;
    // The position of the first byte 0xFF at or after `position` and before `end` (at most
    // size()), or that end when there is none: how a JPEG's entropy-coded data is passed over.
    std::int64_t findFF(std::int64_t position) const { return findFF(position, size_); }
    virtual std::int64_t findFF(std::int64_t position, std::int64_t end) const;

  protected:
    explicit ByteSource(std::int64_t size) : size_(size) {}

  private:
    std::int64_t size_;
};

class MemorySource final : public ByteSource {
  public:
    MemorySource(const char* data, std::int64_t size) : ByteSource(size), data_(data) {}
    explicit MemorySource(const QByteArray& bytes)
        : MemorySource(bytes.constData(), bytes.size()) {}
    std::int64_t read(std::int64_t position, char* out, std::int64_t count) const override;
    using ByteSource::findFF;
    std::int64_t findFF(std::int64_t position, std::int64_t end) const override;
    const char* data() const { return data_; }

  private:
    const char* data_;
};

// An open plain file; a read the system refuses counts as the end.
class FileSource final : public ByteSource {
  public:
    explicit FileSource(RegularFile& file) : ByteSource(file.size()), file_(file) {}
    std::int64_t read(std::int64_t position, char* out, std::int64_t count) const override;

  private:
    RegularFile& file_;
};

}  // namespace lanxi
