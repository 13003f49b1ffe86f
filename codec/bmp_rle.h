#pragma once

#include <QByteArray>
#include <QImage>

namespace lanxi::detail {

// Whether a BMP file's header says its pixels are run-length encoded (RLE8 or RLE4).
bool IsRleBmp(const QByteArray& bytes);

// Decodes a run-length encoded BMP into 32-bit RGB. Every pixel the data does not set (passed
// over by a delta, an early end of line or of picture, or data that ends early) takes the
// palette's first colour, the background the format's writers count on. Indexes past the
// palette (biClrUsed, or the file's end) take that colour too; with no palette at all it is
// black. Runs and deltas that reach past a row or the picture are cut off there. A negative
// height (not allowed for RLE, but written by some programs) is read as top row first.
// Throws lanxi::Error with a Chinese reason when the file cannot be decoded.
QImage DecodeRleBmp(const QByteArray& bytes);

}  // namespace lanxi::detail
