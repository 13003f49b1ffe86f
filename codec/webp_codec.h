#pragma once

#include <QByteArray>
#include <cstdint>

#include "base/stop.h"
#include "codec/decoded.h"
#include "codec/footprint.h"
#include "codec/source.h"

// WebP files, with libwebp: one reader of their header for the decoder and the batch's probe.
namespace lanxi {

struct WebpHeader {
    bool found = false;  // a RIFF/WEBP header with a size was read
    std::int64_t fileBytes = 0;
    std::int64_t width = 0, height = 0;  // the canvas
    bool extended = false;               // a VP8X chunk: the flags below come from it
    bool transparency = false;           // alpha in the bitstream or the VP8X flag
    bool animated = false;
    bool profile = false;   // an ICCP chunk is announced
    bool lossless = false;  // a simple file's VP8L bitstream
};

// Reads the first bytes: VP8X's canvas and flags, or a simple file's bitstream header.
WebpHeader ReadWebpHeader(const ByteSource& source);

// What decoding costs and whether it is refused before decoding: a header that cannot be read,
// then the size.
PictureFootprint WebpFootprint(const WebpHeader& header);

// Decodes a WebP whose footprint has no refusal into 32-bit rows, with its ICC profile: lossy,
// lossless, with or without alpha; of an animation its first frame on a transparent canvas. The
// data is given to libwebp's incremental decoder a slice at a time, so that a stop is seen
// between slices.
Decoded DecodeWebp(const QByteArray& bytes, const DecodeRequest& request);

}  // namespace lanxi
