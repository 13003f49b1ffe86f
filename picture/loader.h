#pragma once

#include <QString>
#include <cstdint>

#include "picture/picture.h"

namespace lanxi {

// Pictures larger than this are refused before any pixel memory is taken.
inline constexpr std::int64_t kMaxPicturePixels = 250'000'000;
inline constexpr int kMaxPictureSide = 65'535;

// Loads a picture file. The format is recognised by the file's content, not its name: JPEG
// (upright, following a camera's orientation tag) and BMP, and the other formats Qt reads.
// Throws lanxi::Error whose message() says in Chinese why the file could not be opened.
StdPicture LoadPicture(const QString& path);

// Decodes a picture held in memory, as LoadPicture does with a file's bytes.
StdPicture DecodePicture(const QByteArray& bytes);

// Writes the picture as a BMP file, whatever the name's ending. The file is written beside the
// target under a temporary name and replaces it only when complete, so a failed write leaves
// an existing file untouched. Throws lanxi::Error with the reason.
void SavePicture(const StdPicture& picture, const QString& path);

}  // namespace lanxi
