#pragma once

#include <QString>
#include <cstdint>

#include "base/numbers.h"
#include "document/picture.h"

namespace lanxi {

// Writes the picture to `path` as a JPEG file of the given quality (0 to 100; any other value
// fails), with 4:2:0 chroma, Huffman tables optimised for the picture and no metadata: the
// upload copy (see upload_copy.h) at another quality, made and written as every copy is. `path`
// is a name made for the copy, so a link there is replaced rather than followed. True only when
// the whole file was written; a failed write leaves an existing file at `path` as it was, and
// says why in *reason (Chinese). Shows nothing; keeps no state between calls, so calls may run
// on several threads at once.
Boolean SaveAsJpeg(const StdPicture& picture, const QString& path, std::int32_t quality,
                   QString* reason = nullptr);

}  // namespace lanxi
