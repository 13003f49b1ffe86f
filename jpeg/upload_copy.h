#pragma once

#include <QString>
#include <atomic>

#include "jpeg/jpeg_file.h"
#include "picture/picture.h"
#include "picture/safe_file.h"

// What the copy uploaded to the site is. The workspace's "_YS" copy and every file of the batch
// are this copy, so both follow one definition.
namespace lanxi {

// A JPEG of quality 80 with 4:2:0 chroma: what the site's pages show well at a small size.
inline constexpr JpegSettings kUploadCopy{80, true};

// Writes the upload copy of a picture at `path`. The name is one the program made up (a "_YS"
// name, a JPEG beside a BMP), so a link found there is replaced, never followed; only a copy
// written over its own source, as the user asked, goes through a link (`AtLink::WriteThrough`).
// False with *reason (Chinese) when nothing was written. With `cancel`, the write is given up
// soon after it turns true.
bool WriteUploadCopy(const StdPicture& picture, const QString& path, QString* reason,
                     AtLink atLink = AtLink::Replace, const std::atomic<bool>* cancel = nullptr);

}  // namespace lanxi
