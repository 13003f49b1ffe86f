#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

#include "base/stop.h"
#include "codec/decoded.h"
#include "codec/footprint.h"
#include "codec/source.h"
#include "colour/colour_space.h"

// PNG files, with libpng: one reader of their header for the decoder and the batch's probe.
namespace lanxi {

struct PngHeader {
    bool found = false;  // the signature and IHDR were read
    QString error;       // what libpng found wrong before the first IDAT (in English, for logs)
    std::int64_t fileBytes = 0;
    std::int64_t width = 0, height = 0;
    int bitDepth = 0;
    int colourType = 0;  // PNG_COLOR_TYPE_*
    bool interlaced = false;
    bool transparency = false;  // an alpha channel or a tRNS chunk
    // From iCCP, or else gAMA and cHRM; nothing for an sRGB chunk or no colour chunk at all.
    ColourSpace colour;
    // The bytes of the filtered rows the compressed data must inflate to.
    std::int64_t rawBytes() const;
};

// Reads the chunks before the first IDAT: IHDR, the transparency and the colour chunks.
PngHeader ReadPngHeader(const ByteSource& source);

// What decoding costs and whether it is refused before decoding, in this order: a damaged
// header, the size, and a file too short for its rows (deflate never packs more than 1032 bytes
// into one, so a file that small cannot hold the picture it claims: a bomb's header over a
// truncated stream).
PictureFootprint PngFootprint(const PngHeader& header);

// Decodes a PNG whose footprint has no refusal into 32-bit rows, 16-bit samples rounded to 8,
// palettes, grey and tRNS expanded; interlaced pictures pass by pass into the same rows. A file
// whose data breaks off or is damaged after at least half of its rows (in stored order, not
// interlaced) keeps those rows and is grey below, marked damaged; with fewer it is refused.
Decoded DecodePng(const QByteArray& bytes, const DecodeRequest& request);

}  // namespace lanxi
