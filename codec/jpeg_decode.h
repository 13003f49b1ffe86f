#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <atomic>
#include <cstddef>
#include <functional>

namespace lanxi::detail {

// No encoder in use writes more scans than this: a baseline picture has one (or one a
// component), libjpeg's progressive script ten, optimised scripts of other encoders a few dozen.
inline constexpr int kMaxJpegScans = 256;
// Nor do their scans together pass over the picture's blocks more often than this: libjpeg's
// progressive script passes about five times (each scan covers one component or the DC of
// all), heavy successive-approximation scripts some twenty. A scan costs time for every block
// it covers, however few bytes it takes (arithmetic coding of a flat picture takes almost none),
// so this bounds the work of a file, not only its length.
inline constexpr double kMaxJpegPasses = 64;

// What the scans of a JPEG stream (its SOS markers up to EOI) add up to, found by walking its
// markers without decoding anything.
struct JpegScans {
    int scans = 0;
    // The blocks the scans cover, in passes over all the picture's blocks.
    double passes = 0;
};
JpegScans CountJpegScans(const unsigned char* data, std::size_t size);

struct JpegDecodeResult {
    QImage image;    // null when the picture could not be decoded
    QString reason;  // why not, in Chinese
    // Decoded, but parts of the entropy-coded data were damaged and skipped (shown grey).
    bool damaged = false;
    // Ended because `cancel` turned true.
    bool cancelled = false;
};

// Decodes a JPEG straight into 32-bit RGB rows, turned upright by its orientation tag. With
// `cancel`, the decoding ends soon after it turns true. With `enough`, which is given the
// picture's full upright size and tells the size the caller needs at least, the picture is
// decoded at the smallest of libjpeg's fast scales (1/8, 1/4, 1/2 of each side) that keeps both
// sides at least that large: most of the work of a shrinking decode is never done.
JpegDecodeResult DecodeJpeg(const QByteArray& bytes, const std::atomic<bool>* cancel = nullptr,
                            const std::function<QSize(QSize)>& enough = {});

// The smallest n (1 to 8) for which n/8 of `full`, each side rounded up, is at least `enough`.
int EighthsFor(QSize full, QSize enough);

// Why libjpeg refused a stream, in Chinese, from its message code.
QString JpegErrorText(int messageCode);

// The orientation (1 to 8) stored in an Exif block (the APP1 payload after "Exif\0\0"), or 1.
int ExifOrientation(const unsigned char* tiff, std::size_t size);

// Applies an Exif orientation to an image.
QImage Orient(const QImage& image, int orientation);

}  // namespace lanxi::detail
