#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace lanxi::detail {

// Decodes a JPEG straight into 32-bit RGB rows, turned upright by its orientation tag.
// On failure returns a null image and sets *reason (Chinese).
QImage DecodeJpeg(const QByteArray& bytes, QString* reason);

// The orientation (1 to 8) stored in an Exif block (the APP1 payload after "Exif\0\0"), or 1.
int ExifOrientation(const unsigned char* tiff, std::size_t size);

// Applies an Exif orientation to an image.
QImage Orient(const QImage& image, int orientation);

}  // namespace lanxi::detail
