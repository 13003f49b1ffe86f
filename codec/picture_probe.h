#pragma once

#include <QString>

#include "codec/footprint.h"
#include "codec/source.h"

namespace lanxi {

// The footprint of a picture (see PictureFootprint): a file larger than the loader reads is
// refused by its size alone; otherwise from its header alone, read as its format's
// decoder reads it (see PictureFormats): a JPEG's markers up to its first scan, a BMP's headers,
// a PNG's chunks before its data, a WebP's first bytes, a HEIF's boxes (the whole file, which
// puts them anywhere), another format's first bytes.
PictureFootprint ProbePicture(const ByteSource& source);

// The footprint of a picture file; a file that cannot be read (it will fail when loaded) has
// fileBytes and memoryBytes 0. Never waits on a pipe or device, never throws.
PictureFootprint ProbePictureFile(const QString& path);

}  // namespace lanxi
