#include "codec/loader.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>
#include <QtEndian>

#include "codec/bmp_rle.h"
#include "base/errors.h"
#include "codec/jpeg_decode.h"
#include "system/regular_file.h"
#include "system/safe_file.h"

namespace lanxi {
namespace {

// No picture we accept comes near this; a larger file is not read into memory at all.
constexpr qint64 kMaxFileBytes = 1024LL * 1024 * 1024;

[[noreturn]] void refuse(const QString& reason, ErrorCode code = ErrorCode::InvalidPicture) {
    throw Error(code, reason);
}

QString tooLarge(qint64 w, qint64 h) {
    return QStringLiteral("图片尺寸过大（%1 × %2 像素），无法打开").arg(w).arg(h);
}

bool sizeAcceptable(qint64 w, qint64 h) {
    return w > 0 && h > 0 && w <= kMaxPictureSide && h <= kMaxPictureSide &&
           w * h <= kMaxPicturePixels;
}

// Checks what a BMP header claims before Qt's reader allocates anything for it.
void checkBmpHeader(const QByteArray& bytes) {
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
    const qint64 size = bytes.size();
    if (size < 26) {
        refuse(QStringLiteral("BMP 图片文件不完整"));
    }
    const quint32 offset = qFromLittleEndian<quint32>(p + 10);
    const quint32 headerSize = qFromLittleEndian<quint32>(p + 14);
    qint64 w, h;
    int bpp;
    quint32 compression = 0;
    if (headerSize == 12) {
        w = qFromLittleEndian<quint16>(p + 18);
        h = qFromLittleEndian<quint16>(p + 20);
        bpp = qFromLittleEndian<quint16>(p + 24);
    } else if (headerSize >= 40 && size >= 14 + 40) {
        w = qFromLittleEndian<qint32>(p + 18);
        h = qFromLittleEndian<qint32>(p + 22);
        bpp = qFromLittleEndian<quint16>(p + 28);
        compression = qFromLittleEndian<quint32>(p + 30);
    } else {
        refuse(QStringLiteral("BMP 图片的文件头已损坏"));
    }
    if (h < 0) {
        h = -h;  // stored top row first
    }
    if (w <= 0 || h <= 0) {
        refuse(QStringLiteral("BMP 图片的宽或高不正确（%1 × %2）").arg(w).arg(h));
    }
    if (!sizeAcceptable(w, h)) {
        refuse(tooLarge(w, h));
    }
    const bool uncompressed = compression == 0 || compression == 3 || compression == 6;
    if (uncompressed && (bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32)) {
        const qint64 stride = ((w * bpp + 31) / 32) * 4;
        if (offset > size || stride * h > size - offset) {
            refuse(QStringLiteral("BMP 图片文件不完整（可能没有复制完）"));
        }
    }
}

StdPicture readWithQt(const QByteArray& bytes, const QByteArray& format) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setDecideFormatFromContent(format.isEmpty());
    reader.setAutoTransform(true);
    if (!reader.canRead()) {
        refuse(QStringLiteral("不是可识别的图片文件（可以打开 BMP 和 JPEG 图片）"));
    }
    const QSize claimed = reader.size();
    if (claimed.isValid() && !sizeAcceptable(claimed.width(), claimed.height())) {
        refuse(tooLarge(claimed.width(), claimed.height()));
    }
    // Our own size limit governs; Qt's default would refuse ordinary large photographs.
    reader.setAllocationLimit(int(kMaxPicturePixels * 4 / (1024 * 1024)) + 64);
    QImage image = reader.read();
    if (image.isNull()) {
        if (reader.error() == QImageReader::UnsupportedFormatError) {
            refuse(QStringLiteral("不是可识别的图片文件（可以打开 BMP 和 JPEG 图片）"));
        }
        refuse(QStringLiteral("图片数据已损坏，无法读出"));
    }
    StdPicture picture(std::move(image));
    if (picture.isEmpty()) {
        refuse(QStringLiteral("内存不足，无法打开这张图片"), ErrorCode::OutOfMemory);
    }
    return picture;
}

}  // namespace

StdPicture DecodePicture(const QByteArray& bytes, LoadControl* control) {
    if (bytes.isEmpty()) {
        refuse(QStringLiteral("文件是空的（0 字节）"));
    }
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
    if (bytes.size() >= 3 && p[0] == 0xFF && p[1] == 0xD8 && p[2] == 0xFF) {
        detail::JpegDecodeResult result =
            control != nullptr ? detail::DecodeJpeg(bytes, control->cancel, control->enough)
                               : detail::DecodeJpeg(bytes);
        if (result.image.isNull()) {
            refuse(result.reason,
                   result.cancelled ? ErrorCode::UserInterrupt : ErrorCode::InvalidPicture);
        }
        if (control != nullptr) {
            control->damaged = result.damaged;
        }
        return StdPicture(std::move(result.image));
    }
    if (bytes.size() >= 2 && p[0] == 'B' && p[1] == 'M') {
        checkBmpHeader(bytes);
        if (detail::IsRleBmp(bytes)) {
            // Qt's reader leaves the pixels that RLE data skips as whatever memory held.
            return StdPicture(detail::DecodeRleBmp(bytes));
        }
        return readWithQt(bytes, "bmp");
    }
    return readWithQt(bytes, {});
}

StdPicture LoadPicture(const QString& path, LoadControl* control) {
    return DecodePicture(
        ReadRegularFile(path, kMaxFileBytes, control != nullptr ? control->cancel : nullptr),
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
