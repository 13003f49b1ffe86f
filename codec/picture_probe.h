#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>
#include <cstdint>
#include <functional>

namespace lanxi {

// What opening a picture file will cost, read from its header without decoding it.
struct PictureFootprint {
    std::int64_t fileBytes = 0;  // the file's size; 0 when it cannot be read
    QSize size;                  // the picture's size as its header gives it; invalid if unknown
    // The memory that loading it takes at the peak: the file's bytes, the decoded pixels and the
    // decoder's own buffers (a progressive JPEG keeps every coefficient of the picture), or the
    // file's bytes alone for a picture the loader refuses before decoding.
    std::int64_t memoryBytes = 0;
};

// Reads `count` bytes at `position` into `out`; returns how many it could (0 at the end).
using ByteReader =
    std::function<std::int64_t(std::int64_t position, char* out, std::int64_t count)>;

// The footprint of a picture whose bytes `read` gives, `fileBytes` long. Reads only the
// headers: a JPEG's markers up to its first scan, a BMP's file header, another format's first
// bytes.
PictureFootprint ProbePicture(const ByteReader& read, std::int64_t fileBytes);

// The footprint of a picture file; a file that cannot be read (it will fail when loaded) has
// fileBytes and memoryBytes 0. Never waits on a pipe or device, never throws.
PictureFootprint ProbePictureFile(const QString& path);

}  // namespace lanxi
