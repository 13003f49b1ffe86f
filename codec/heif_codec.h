#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>
#include <cstdint>

#include "base/stop.h"
#include "codec/decoded.h"
#include "codec/footprint.h"
#include "codec/source.h"
#include "colour/colour_space.h"

// HEIF files (HEIC, and AVIF where libheif has an AV1 decoder), with libheif: one reader of the
// primary image's header for the decoder and the batch's probe.
namespace lanxi {

struct HeifHeader {
    bool found = false;  // the boxes were read and a primary image found
    QString error;       // libheif's words when not (English, for logs)
    std::int64_t fileBytes = 0;
    // The primary image as it shows, its rotation, mirroring and crop applied.
    std::int64_t width = 0, height = 0;
    int bitDepth = 8;
    bool transparency = false;
    ColourSpace colour;  // the colr box: an ICC profile, or H.273 code points (nclx)
    // What decoding it takes: one coded picture of `tile`'s size, or a grid's `tiles` of it;
    // HEVC-coded (HEIC) or not (AVIF).
    int tiles = 1;
    QSize tile;
    bool hevc = false;
    // Why the image is not decoded although its boxes were read, in Chinese: a grid that
    // claims another canvas than its image's, names more tiles than cover its canvas or misses
    // one, an alpha image larger than the picture, an image made of others in another way.
    QString refusal;
};

// Reads the file's boxes (the whole file: HEIF puts its item locations anywhere in it), the
// primary image's properties and what its decoding takes, through libheif; decodes nothing.
HeifHeader ReadHeifHeader(const ByteSource& source);

// What decoding costs, with a grid's tiles decoded on up to `threads` threads, and whether it
// is refused before decoding: boxes that cannot be read, no primary image, the header's
// refusal; then the size.
PictureFootprint HeifFootprint(const HeifHeader& header, int threads = 1);

// Decodes the primary image into 32-bit rows, turned and mirrored as its irot and imir boxes say,
// deeper samples brought to 8 bits; a grid's tiles on up to `request.threads` threads. A stop
// ends a grid's decoding between its tiles; a picture of one coded frame is decoded to its end,
// which the footprint's size rule bounds.
Decoded DecodeHeif(const QByteArray& bytes, const DecodeRequest& request);

}  // namespace lanxi
