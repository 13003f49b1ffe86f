#include "codec/source.h"

#include <algorithm>
#include <cstring>

#include "base/errors.h"

namespace lanxi {

std::int64_t ByteSource::findFF(std::int64_t position, std::int64_t end) const {
    end = std::min(end, size_);
    char chunk[16 * 1024];
    while (position < end) {
        const std::int64_t got =
            read(position, chunk, std::min<std::int64_t>(sizeof chunk, end - position));
        if (got <= 0) {
            return end;
        }
        if (const void* ff = std::memchr(chunk, 0xFF, std::size_t(got))) {
            return position + (static_cast<const char*>(ff) - chunk);
        }
        position += got;
    }
    return std::max(position, end);
}

std::int64_t MemorySource::read(std::int64_t position, char* out, std::int64_t count) const {
    if (position < 0 || count <= 0 || position >= size()) {
        return 0;
    }
    const std::int64_t n = std::min(count, size() - position);
    std::memcpy(out, data_ + position, std::size_t(n));
    return n;
}

std::int64_t MemorySource::findFF(std::int64_t position, std::int64_t end) const {
    end = std::min(end, size());
    if (position < 0 || position >= end) {
        return std::max(position, end);
    }
    const void* ff = std::memchr(data_ + position, 0xFF, std::size_t(end - position));
    return ff == nullptr ? end : static_cast<const char*>(ff) - data_;
}

std::int64_t FileSource::read(std::int64_t position, char* out, std::int64_t count) const {
    try {
        return position >= 0 && count > 0 && file_.seek(position) ? file_.read(out, count) : 0;
    } catch (const Error&) {
        return 0;
    }
}

}  // namespace lanxi
