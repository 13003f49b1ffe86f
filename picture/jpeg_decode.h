#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <atomic>
#include <cstddef>

namespace lanxi::detail {

// No encoder in use writes more scans than this: a baseline picture has one (or one a
// component), libjpeg's progressive script ten, optimised scripts of other encoders a few dozen.
// A file with more is built to keep the decoder busy (every scan passes over the whole
// picture), and is refused before any is decoded.
inline constexpr int kMaxJpegScans = 256;

// How many scans (SOS markers) a JPEG stream holds up to its end (EOI), counted by walking its
// markers without decoding anything.
int CountJpegScans(const unsigned char* data, std::size_t size);

struct JpegDecodeResult {
    QImage image;    // null when the picture could not be decoded
    QString reason;  // why not, in Chinese
    // Decoded, but parts of the entropy-coded data were damaged and skipped (shown grey).
    bool damaged = false;
    // Ended because `cancel` turned true.
    bool cancelled = false;
};

// Decodes a JPEG straight into 32-bit RGB rows, turned upright by its orientation tag. With
// `cancel`, the decoding ends soon after it turns true.
JpegDecodeResult DecodeJpeg(const QByteArray& bytes, const std::atomic<bool>* cancel = nullptr);

// Why libjpeg refused a stream, in Chinese, from its message code.
QString JpegErrorText(int messageCode);

// The orientation (1 to 8) stored in an Exif block (the APP1 payload after "Exif\0\0"), or 1.
int ExifOrientation(const unsigned char* tiff, std::size_t size);

// Applies an Exif orientation to an image.
QImage Orient(const QImage& image, int orientation);

}  // namespace lanxi::detail
