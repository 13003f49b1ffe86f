#pragma once

#include <QImage>
#include <QString>
#include <cstdint>

#include "codec/colour_space.h"
#include "codec/limits.h"

namespace lanxi {

// A picture as a decoder gives it to the loader, before its colours are made sRGB and its
// transparency laid over white.
struct Decoded {
    // 32-bit rows: QImage::Format_RGB32, or Format_ARGB32 (not premultiplied) for a picture with
    // transparency; upright (the file's own turns applied). Null when not decoded.
    QImage image;
    ColourSpace colour;    // what the file says its colours mean
    QString reason;        // why not decoded, in Chinese
    bool stopped = false;  // ended because a stop was requested
    bool damaged = false;  // decoded, but parts of the data were lost (shown grey)
    // The memory the decoding held at its peak, as it allocated it, the file's bytes included;
    // never more than the format's footprint foretells (see PictureFootprint).
    std::int64_t peakBytes = 0;
};

// Rows for a decoder to decode into: `width` × `height` 32-bit pixels, with room for
// transparency when the picture has any. A null image, with `d->reason` saying so, when there is
// no memory for them.
inline QImage PixelsFor(Decoded* d, int width, int height, bool transparency) {
    QImage image(width, height, transparency ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (image.isNull()) {
        d->reason = NoMemoryFor(width, height);
    }
    return image;
}

}  // namespace lanxi
