#include "jpeg/module1.h"

#include "jpeg/jpeg_file.h"

namespace lanxi {

Boolean SaveAsJpeg(const StdPicture& picture, const QString& path, std::int32_t quality) {
    JpegSettings settings = kCompressedCopy;
    settings.quality = quality;
    return WriteJpegFile(picture, path, settings) ? kTrue : kFalse;
}

}  // namespace lanxi
