#pragma once

#include <QString>

namespace lanxi {

// The file name wildcards of the pictures the windows list and their dialogs offer, separated
// by ";": BMP and JPEG, the pair the program was made for, and every format its decoders read.
// A file is recognised by its content when it is opened; these only choose what is shown.
inline QString BmpAndJpegWildcards() {
    return QStringLiteral("*.jpg;*.jpeg;*.bmp");
}
inline QString EveryPictureWildcards() {
    return QStringLiteral("*.jpg;*.jpeg;*.bmp;*.png;*.webp;*.heic;*.heif;*.avif");
}

}  // namespace lanxi
