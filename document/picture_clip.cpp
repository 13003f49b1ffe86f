#include "document/picture_clip.h"

#include "base/errors.h"

namespace lanxi {

StdPicture PictureClip::Clip() const {
    if (source_.isEmpty()) {
        throw Error(ErrorCode::InvalidPicture, QStringLiteral("没有源图片"));
    }
    if (x_ < 0 || y_ < 0 || w_ <= 0 || h_ <= 0 || std::int64_t(x_) + w_ > source_.width() ||
        std::int64_t(y_) + h_ > source_.height()) {
        throw Error(ErrorCode::InvalidPropertyValue, QStringLiteral("剪切范围不在图片之内"));
    }
    StdPicture cut = source_.part(QRect(x_, y_, w_, h_));
    if (cut.isEmpty()) {
        throw Error(ErrorCode::OutOfMemory, QStringLiteral("内存不足，无法剪切图片"));
    }
    return cut;
}

}  // namespace lanxi
