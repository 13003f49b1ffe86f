#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <cstdint>
#include <functional>

#include "base/stop.h"
#include "codec/limits.h"
#include "colour/colour_space.h"

namespace lanxi {

// What a decoder is asked for besides the file's bytes.
struct DecodeRequest {
    // When a stop is requested, the decoding ends soon, with Decoded::stopped set.
    const Stop* stop = nullptr;
    // For a caller that will shrink the picture: given its full upright size, the size it needs
    // at least. A decoder that can decode at a reduced scale (JPEG) may then give a smaller
    // picture, never smaller than that.
    std::function<QSize(QSize)> enough;
    // The threads a decoder may use for one picture (a HEIF grid's tiles): more where a person
    // waits for one picture, one in a batch's workers, which already run side by side.
    int threads = 1;
};

// A picture as a decoder gives it to the loader, before its colours are made sRGB and its
// transparency laid over white.
struct Decoded {
    // Upright (the file's own turns applied); null when not decoded. Our own decoders give
    // 32-bit rows: QImage::Format_RGB32, or Format_ARGB32 (not premultiplied) for a picture with
    // transparency; a format left to Qt's readers comes in the format its reader gives.
    QImage image;
    ColourSpace colour;    // what the file says its colours mean
    QString reason;        // why not decoded, in Chinese
    bool stopped = false;  // ended because a stop was requested
    bool damaged = false;  // decoded, but parts of the data were lost (shown grey)
    // The memory the decoding held at its peak, as it allocated it, the file's bytes included;
    // never more than the format's footprint foretells (see PictureFootprint).
    std::int64_t peakBytes = 0;

    // A decoding that ends for the reason given; `stop` when a stop ended it.
    static Decoded Refused(const QString& reason) {
        Decoded d;
        d.reason = reason;
        return d;
    }
    static Decoded Stopped() {
        Decoded d = Refused(QStringLiteral("已停止"));
        d.stopped = true;
        return d;
    }
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
