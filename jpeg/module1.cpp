#include "jpeg/module1.h"

namespace lanxi {

Boolean SaveAsJpeg(const StdPicture& picture, const QString& path, std::int32_t quality) {
    // The encoder is not written yet.
    Q_UNUSED(picture);
    Q_UNUSED(path);
    Q_UNUSED(quality);
    return kFalse;
}

}  // namespace lanxi
