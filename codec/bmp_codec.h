#pragma once

#include <QByteArray>
#include <QImage>
#include <cstdint>

#include "codec/decoded.h"
#include "codec/footprint.h"
#include "codec/source.h"

// BMP files: one reader of their headers, for the decoder and for the batch's probe.
namespace lanxi {

struct BmpHeader {
    std::int64_t fileBytes = 0;
    quint32 dataOffset = 0;
    quint32 headerSize = 0;
    std::int64_t width = 0;
    std::int64_t storedHeight = 0;  // negative: the top row is stored first
    int bpp = 0;
    quint32 compression = 0;
    quint32 colorsUsed = 0;
    std::int64_t height() const { return storedHeight < 0 ? -storedHeight : storedHeight; }
    // The pixels are run-length encoded (RLE8 or RLE4), which our own decoder reads.
    bool rle() const;
};

// Reads the file header and the information header (the fields it has).
BmpHeader ReadBmpHeader(const ByteSource& source);

// What decoding the file costs and whether it is refused, by the header's rules in this order:
// a file too short for its headers, a broken header, the size, pixel data the file cannot hold
// (uncompressed rows past its end, RLE data outside it or at a colour depth that cannot be).
PictureFootprint BmpFootprint(const BmpHeader& header);

// Decodes a BMP after the header's rules have let it through: run-length encoded pixels with
// DecodeRleBmp, others with Qt's reader.
Decoded DecodeBmp(const QByteArray& bytes, const DecodeRequest& request);

// Decodes a run-length encoded BMP whose footprint has no refusal into 32-bit RGB. Every pixel
// the data does not set (passed over by a delta, an early end of line or of picture, or data
// that ends early) takes the palette's first colour, the background the format's writers count
// on. Indexes past the palette (biClrUsed, or the file's end) take that colour too; with no
// palette at all it is black. Runs and deltas that reach past a row or the picture are cut off
// there. A negative height (not allowed for RLE, but written by some programs) is read as top
// row first. A null image when there is no memory for it.
QImage DecodeRleBmp(const QByteArray& bytes, const BmpHeader& header);

}  // namespace lanxi
