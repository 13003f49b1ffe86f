#pragma once

#include <QString>
#include <cstdint>

#include "picture/numbers.h"
#include "picture/picture.h"

namespace lanxi {

// Writes the picture to `path` as a JPEG file of the given quality (0 to 100). True only when
// the whole file was written. Shows nothing; keeps no state between calls.
Boolean SaveAsJpeg(const StdPicture& picture, const QString& path, std::int32_t quality);

}  // namespace lanxi
