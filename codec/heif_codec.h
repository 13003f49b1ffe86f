#pragma once

#include <QByteArray>
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
};

// Reads the file's boxes (the whole file: HEIF puts its item locations anywhere in it) and the
// primary image's properties; decodes nothing.
HeifHeader ReadHeifHeader(const ByteSource& source);

// What decoding costs and whether it is refused before decoding: boxes that cannot be read, no
// primary image, or a primary grid whose canvas is not the image's size (libheif would allocate
// and fill whatever canvas it claims); then the size.
PictureFootprint HeifFootprint(const HeifHeader& header);

// Decodes the primary image into 32-bit rows, turned and mirrored as its irot and imir boxes say,
// deeper samples brought to 8 bits. libheif cannot be interrupted once it decodes: a stop is
// seen before and after, and the footprint's size rule bounds the time between.
Decoded DecodeHeif(const QByteArray& bytes, const DecodeRequest& request);

}  // namespace lanxi
