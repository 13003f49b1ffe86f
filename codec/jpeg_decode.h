#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <cstdint>
#include <functional>

#include "base/stop.h"
#include "codec/colour_space.h"

namespace lanxi {

struct JpegDecodeResult {
    QImage image;    // null when the picture could not be decoded
    QString reason;  // why not, in Chinese
    // Decoded, but parts of the entropy-coded data were damaged and skipped (shown grey).
    bool damaged = false;
    // Ended because a stop was requested.
    bool stopped = false;
    // The memory the decoding held at its peak: the file's bytes, the pixels, libjpeg's
    // whole-picture coefficients and the turned copies, as they were allocated.
    std::int64_t peakBytes = 0;
    // The colours as the file means them, still to be made sRGB (see ToSrgb): the profile of an
    // RGB or grey picture. A CMYK picture's profile has been used already.
    ColourSpace colour;
};

// Decodes a JPEG straight into 32-bit RGB rows, turned upright by its orientation tag, after the
// header's rules (JpegFootprint) have let it through. With `stop`, the decoding ends soon after a
// stop is requested. With `enough`, which is given the picture's full upright size and tells the
// size the caller needs at least, the picture is decoded at the smallest of libjpeg's fast
// scales (1/8, 1/4, 1/2 of each side) that keeps both sides at least that large: most of the
// work of a shrinking decode is never done.
JpegDecodeResult DecodeJpeg(const QByteArray& bytes, const Stop* stop = nullptr,
                            const std::function<QSize(QSize)>& enough = {});

// The smallest n (1 to 8) for which n/8 of `full`, each side rounded up, is at least `enough`.
int EighthsFor(QSize full, QSize enough);

// Why libjpeg refused a stream, in Chinese, from its message code.
QString JpegErrorText(int messageCode);

// Applies an Exif orientation to an image. With `held`, the bytes of the copies it made, all
// held at once at its peak.
QImage Orient(const QImage& image, int orientation, std::int64_t* held = nullptr);

}  // namespace lanxi
