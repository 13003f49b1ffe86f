#pragma once

#include <QByteArray>
#include <QString>

namespace lanxi {

// A JPEG's own picture written again without its metadata.
struct LosslessJpeg {
    QByteArray bytes;  // empty when no such copy can be made (see LosslessJpegCopy)
    int quality = 0;   // the quality (libjpeg's scale) its luminance table matches best
    QString reason;    // why not, in Chinese
};

// The same picture as `jpeg`, to the bit: its coefficients written again, without the metadata
// (Exif, thumbnails, profiles), with Huffman tables made for them (an arithmetic-coded file
// becomes Huffman-coded, which every browser reads), and turned upright by its Exif orientation
// where its blocks allow that without loss (a side that is flipped must be a whole number of the
// picture's blocks). Empty for a picture that is no 8-bit YCbCr or grey JPEG, or that cannot
// be turned without loss.
LosslessJpeg LosslessJpegCopy(const QByteArray& jpeg);

}  // namespace lanxi
