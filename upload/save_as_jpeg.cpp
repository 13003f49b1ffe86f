#include "upload/save_as_jpeg.h"

#include "upload/upload_copy.h"

namespace lanxi {

Boolean SaveAsJpeg(const StdPicture& picture, const QString& path, std::int32_t quality,
                   QString* reason) {
    return WriteUploadCopy(MakeCopyAtQuality(picture, quality), path, reason) ? kTrue : kFalse;
}

}  // namespace lanxi
