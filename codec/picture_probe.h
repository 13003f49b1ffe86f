#pragma once

#include <QString>

#include "codec/footprint.h"
#include "codec/source.h"

namespace lanxi {

// The formats told apart by their first bytes; Other is left to Qt's readers.
enum class PictureFormat { Jpeg, Bmp, Png, Webp, Heif, Other };
PictureFormat FormatOf(const ByteSource& source);

// The footprint of a picture (see PictureFootprint), from its header alone: a JPEG's markers up
// to its first scan, a BMP's headers, a PNG's chunks before its data, a WebP's first bytes, a
// HEIF's boxes (the whole file, which puts them anywhere), another format's first bytes.
PictureFootprint ProbePicture(const ByteSource& source);

// The footprint of a picture file; a file that cannot be read (it will fail when loaded) has
// fileBytes and memoryBytes 0. Never waits on a pipe or device, never throws.
PictureFootprint ProbePictureFile(const QString& path);

// The footprint of a format Qt reads, from its header: Qt's picture in the format its reader
// gives, and our 32-bit copy of it.
PictureFootprint QtFootprint(const ByteSource& source);

}  // namespace lanxi
