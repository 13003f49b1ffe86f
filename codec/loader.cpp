#include "codec/loader.h"

#include <QBuffer>
#include <QImageIOHandler>
#include <QImageReader>
#include <QImageWriter>

#include "base/errors.h"
#include "codec/bmp_codec.h"
#include "codec/colour.h"
#include "codec/heif_codec.h"
#include "codec/jpeg_decode.h"
#include "codec/limits.h"
#include "codec/picture_probe.h"
#include "codec/png_codec.h"
#include "codec/webp_codec.h"
#include "system/regular_file.h"
#include "system/safe_file.h"

namespace lanxi {
namespace {

[[noreturn]] void refuse(const QString& reason, ErrorCode code = ErrorCode::InvalidPicture) {
    throw Error(code, reason);
}

const QString& notAPicture() {
    static const QString text =
        QStringLiteral("不是可识别的图片文件（可以打开 BMP、JPEG、PNG、WebP 和 HEIC 图片）");
    return text;
}

// Another format, read by Qt after the header's size rule.
StdPicture readWithQt(const QByteArray& bytes, const QByteArray& format, std::int64_t* peak) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setDecideFormatFromContent(format.isEmpty());
    reader.setAutoTransform(true);
    // What the probe refuses from the header, in its words; then the size the whole file claims,
    // upright as the probe counts it.
    if (const PictureFootprint f = QtFootprint(MemorySource(bytes)); !f.refusal.isEmpty()) {
        refuse(f.refusal);
    }
    if (!reader.canRead()) {
        refuse(notAPicture());
    }
    if (QSize claimed = reader.size(); claimed.isValid()) {
        if (reader.transformation() & QImageIOHandler::TransformationRotate90) {
            claimed.transpose();
        }
        if (const QString refusal = SizeRefusal(claimed.width(), claimed.height());
            !refusal.isEmpty()) {
            refuse(refusal);
        }
    }
    // Our own size limit governs; Qt's default would refuse ordinary large photographs.
    reader.setAllocationLimit(int(kMaxPicturePixels * 8 / (1024 * 1024)) + 64);
    QImage image = reader.read();
    if (image.isNull()) {
        if (reader.error() == QImageReader::UnsupportedFormatError) {
            refuse(notAPicture());
        }
        refuse(QStringLiteral("图片数据已损坏，无法读出"));
    }
    const std::int64_t decoded = image.sizeInBytes();
    StdPicture picture(std::move(image));
    if (picture.isEmpty()) {
        refuse(QStringLiteral("内存不足，无法打开这张图片"), ErrorCode::OutOfMemory);
    }
    // Our 32-bit copy, unless Qt's picture already was one.
    *peak +=
        decoded + (picture.image().sizeInBytes() == decoded ? 0 : picture.image().sizeInBytes());
    return picture;
}

// The decoded picture with its colours made sRGB, laid over white where it is transparent.
StdPicture inSrgb(QImage image, const ColourSpace& colour, const Stop* stop) {
    ToSrgb(&image, colour, stop);
    if (Stop::Requested(stop)) {
        refuse(QStringLiteral("已停止"), ErrorCode::UserInterrupt);
    }
    StdPicture picture(std::move(image));
    if (picture.isEmpty()) {
        refuse(QStringLiteral("内存不足，无法打开这张图片"), ErrorCode::OutOfMemory);
    }
    return picture;
}

// A picture of one of our own decoders, made sRGB.
StdPicture fromDecoded(Decoded decoded, LoadControl& c) {
    if (decoded.image.isNull()) {
        refuse(decoded.reason,
               decoded.stopped ? ErrorCode::UserInterrupt : ErrorCode::InvalidPicture);
    }
    c.damaged = decoded.damaged;
    c.peakBytes = decoded.peakBytes;
    return inSrgb(std::move(decoded.image), decoded.colour, c.stop);
}

}  // namespace

StdPicture DecodePicture(const QByteArray& bytes, LoadControl* control) {
    if (bytes.isEmpty()) {
        refuse(QStringLiteral("文件是空的（0 字节）"));
    }
    LoadControl none;
    LoadControl& c = control != nullptr ? *control : none;
    c.damaged = false;
    c.peakBytes = bytes.size();
    c.fileBytes = bytes.size();
    const MemorySource source(bytes);
    switch (FormatOf(source)) {
        case PictureFormat::Jpeg: {
            JpegDecodeResult result = DecodeJpeg(bytes, c.stop, c.enough);
            if (result.image.isNull()) {
                refuse(result.reason,
                       result.stopped ? ErrorCode::UserInterrupt : ErrorCode::InvalidPicture);
            }
            c.damaged = result.damaged;
            c.peakBytes = result.peakBytes;
            return inSrgb(std::move(result.image), result.colour, c.stop);
        }
        case PictureFormat::Bmp: {
            const BmpHeader header = ReadBmpHeader(source);
            if (const PictureFootprint f = BmpFootprint(header); !f.refusal.isEmpty()) {
                refuse(f.refusal);
            }
            if (header.rle()) {
                // Qt's reader leaves the pixels that RLE data skips as whatever memory held.
                QImage image = DecodeRleBmp(bytes, header);
                if (image.isNull()) {
                    refuse(NoMemoryFor(header.width, header.height()), ErrorCode::OutOfMemory);
                }
                c.peakBytes += image.sizeInBytes();
                return StdPicture(std::move(image));
            }
            return readWithQt(bytes, "bmp", &c.peakBytes);
        }
        case PictureFormat::Png:
            return fromDecoded(DecodePng(bytes, c.stop), c);
        case PictureFormat::Webp:
            return fromDecoded(DecodeWebp(bytes, c.stop), c);
        case PictureFormat::Heif:
            return fromDecoded(DecodeHeif(bytes, c.stop), c);
        case PictureFormat::Other:
            break;
    }
    return readWithQt(bytes, {}, &c.peakBytes);
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
