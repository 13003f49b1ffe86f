#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <cstdint>
#include <functional>

#include "base/stop.h"
#include "codec/decoded.h"

namespace lanxi {

// Decodes a JPEG straight into 32-bit RGB rows, turned upright by its orientation tag, after the
// header's rules (JpegFootprint) have let it through. The peak counts the file's bytes, the
// pixels, libjpeg's whole-picture coefficients and the turned copies; the colour is the profile
// of an RGB or grey picture (a CMYK picture's profile has been used while decoding). With the
// request's `enough`, the picture is decoded at the smallest of libjpeg's fast scales (1/8, 1/4,
// 1/2 of each side) that keeps both sides at least that large: most of the work of a shrinking
// decode is never done.
Decoded DecodeJpeg(const QByteArray& bytes, const DecodeRequest& request);

// The smallest n (1 to 8) for which n/8 of `full`, each side rounded up, is at least `enough`.
int EighthsFor(QSize full, QSize enough);

// Why libjpeg refused a stream, in Chinese, from its message code.
QString JpegErrorText(int messageCode);

// Applies an Exif orientation to an image. With `held`, the bytes of the copies it made, all
// held at once at its peak.
QImage Orient(const QImage& image, int orientation, std::int64_t* held = nullptr);

}  // namespace lanxi
