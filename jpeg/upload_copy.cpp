#include "jpeg/upload_copy.h"

namespace lanxi {

bool WriteUploadCopy(const StdPicture& picture, const QString& path, QString* reason, AtLink atLink,
                     const std::atomic<bool>* cancel) {
    return WriteJpegFile(picture, path, kUploadCopy, reason, atLink, cancel);
}

}  // namespace lanxi
