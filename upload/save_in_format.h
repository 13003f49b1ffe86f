#pragma once

#include <QString>

#include "document/picture.h"

namespace lanxi {

// Saves the picture in the format its name promises: a name ending ".jpg" or ".jpeg" (any
// case) as a high-quality JPEG, any other name as BMP. Written through a temporary file like
// the two writers it chooses from. False with *reason (Chinese) when the file was not written.
bool SaveInFormatOfName(const StdPicture& picture, const QString& path, QString* reason);

}  // namespace lanxi
