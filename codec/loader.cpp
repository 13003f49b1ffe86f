#include "codec/loader.h"

#include <QImageWriter>

#include "base/errors.h"
#include "codec/formats.h"
#include "codec/limits.h"
#include "colour/colour.h"
#include "system/regular_file.h"
#include "system/safe_file.h"

namespace lanxi {

StdPicture DecodePicture(const QByteArray& bytes, LoadControl* control) {
    if (bytes.isEmpty()) {
        throw Error(ErrorCode::InvalidPicture, QStringLiteral("文件是空的（0 字节）"));
    }
    LoadControl none;
    LoadControl& c = control != nullptr ? *control : none;
    c.damaged = false;
    c.peakBytes = bytes.size();
    c.fileBytes = bytes.size();
    Decoded decoded = FormatOf(MemorySource(bytes)).decode(bytes, c);
    if (decoded.image.isNull()) {
        throw Error(decoded.stopped ? ErrorCode::UserInterrupt : ErrorCode::InvalidPicture,
                    decoded.reason);
    }
    c.damaged = decoded.damaged;
    c.peakBytes = decoded.peakBytes;
    // The colours made sRGB; transparency is laid over white as the picture is made.
    ToSrgb(&decoded.image, decoded.colour, c.stop);
    if (Stop::Requested(c.stop)) {
        throw Error(ErrorCode::UserInterrupt, QStringLiteral("已停止"));
    }
    StdPicture picture(std::move(decoded.image));
    if (picture.isEmpty()) {
        throw Error(ErrorCode::OutOfMemory, QStringLiteral("内存不足，无法打开这张图片"));
    }
    return picture;
}

StdPicture LoadPicture(const QString& path, LoadControl* control) {
    return DecodePicture(
        ReadRegularFile(path, kMaxFileBytes, control != nullptr ? control->stop : nullptr),
        control);
}

void SavePicture(const StdPicture& picture, const QString& path) {
    if (picture.isEmpty()) {
        throw Error(ErrorCode::InvalidPicture, QStringLiteral("没有可以保存的图片"));
    }
    SafeFile file(path);
    if (!file.open()) {
        throw Error(ErrorCode::PathNotFound, file.reason());
    }
    QImageWriter writer(file.device(), "bmp");
    if (!writer.write(picture.image())) {
        file.abandon();
        throw Error(ErrorCode::DeviceIO, file.reason());
    }
    if (!file.commit()) {
        throw Error(ErrorCode::DeviceIO, file.reason());
    }
}

}  // namespace lanxi
