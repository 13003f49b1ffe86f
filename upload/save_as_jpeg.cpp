#include "upload/save_as_jpeg.h"

#include "upload/upload_copy.h"

namespace lanxi {

Boolean SaveAsJpeg(const StdPicture& picture, const QString& path, std::int32_t quality) {
    JpegSettings settings = kUploadCopy;
    settings.quality = quality;
    const QByteArray jpeg = EncodeJpeg(picture, settings);
    return !jpeg.isEmpty() && WriteWholeFile(path, jpeg, AtLink::Replace, nullptr) ? kTrue : kFalse;
}

}  // namespace lanxi
