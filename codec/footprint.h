#pragma once

#include <QSize>
#include <QString>
#include <cstdint>

namespace lanxi {

// What opening a picture file will cost, and whether it will open at all, read from its header
// without decoding it. Every decoder reads its format's header with the same code as the probe
// and refuses exactly what the footprint refuses, with the same words.
struct PictureFootprint {
    std::int64_t fileBytes = 0;  // the file's size; 0 when it cannot be read
    QSize size;                  // the decoded picture's size, upright; invalid if unknown
    // The memory that loading it takes at the peak: the file's bytes, the decoded pixels and the
    // decoder's own buffers (a progressive JPEG keeps every coefficient of the picture), or the
    // file's bytes alone for a picture the loader refuses before decoding.
    std::int64_t memoryBytes = 0;
    // Why the decoder will refuse the file, in Chinese; empty when nothing in the header says so
    // (the decoder may still refuse what only the picture's data shows).
    QString refusal;
};

}  // namespace lanxi
