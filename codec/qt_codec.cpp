#include "codec/qt_codec.h"

#include <QBuffer>
#include <QImageIOHandler>
#include <QImageReader>
#include <algorithm>

#include "codec/formats.h"
#include "codec/limits.h"

namespace lanxi {
namespace {

// Enough for the header of every format Qt reads that puts its size up front.
constexpr std::int64_t kHeadBytes = 4096;

}  // namespace

QString NotAPicture() {
    return QStringLiteral("不是可识别的图片文件（可以打开 %1 图片）").arg(ReadableFormatNames());
}

PictureFootprint QtFootprint(const ByteSource& source) {
    PictureFootprint f;
    f.fileBytes = source.size();
    f.memoryBytes = source.size();
    QByteArray head(int(std::min(kHeadBytes, source.size())), Qt::Uninitialized);
    head.truncate(int(source.read(0, head.data(), head.size())));
    QBuffer buffer(&head);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    QSize size = reader.size();
    if (!size.isValid()) {
        return f;
    }
    // Qt's reader turns the picture upright as the loader asks it to, which takes a turned copy.
    const QImageIOHandler::Transformations turn = reader.transformation();
    if (turn & QImageIOHandler::TransformationRotate90) {
        size.transpose();
    }
    if (f.refusal = SizeRefusal(size.width(), size.height()); !f.refusal.isEmpty()) {
        return f;
    }
    f.size = size;
    // Qt's picture at its format's depth (8 bytes a pixel when the reader does not say: the
    // deepest it gives), then our 32-bit rows.
    const QImage::Format format = reader.imageFormat();
    const int depth =
        format == QImage::Format_Invalid ? 64 : QImage::toPixelFormat(format).bitsPerPixel();
    const int copies = turn == QImageIOHandler::TransformationNone ? 1 : 2;
    // Qt's rows start on 32-bit boundaries.
    const std::int64_t qtRow = (std::int64_t(size.width()) * std::max(depth, 8) + 31) / 32 * 4;
    f.memoryBytes +=
        copies * qtRow * size.height() + std::int64_t(size.width()) * size.height() * 4;
    return f;
}

Decoded DecodeWithQt(const QByteArray& bytes, const QByteArray& format) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setDecideFormatFromContent(format.isEmpty());
    reader.setAutoTransform(true);
    // What the probe refuses from the header, in its words; then the size the whole file claims,
    // upright as the probe counts it.
    if (const PictureFootprint f = QtFootprint(MemorySource(bytes)); !f.refusal.isEmpty()) {
        return Decoded::Refused(f.refusal);
    }
    if (!reader.canRead()) {
        return Decoded::Refused(NotAPicture());
    }
    if (QSize claimed = reader.size(); claimed.isValid()) {
        if (reader.transformation() & QImageIOHandler::TransformationRotate90) {
            claimed.transpose();
        }
        if (const QString refusal = SizeRefusal(claimed.width(), claimed.height());
            !refusal.isEmpty()) {
            return Decoded::Refused(refusal);
        }
    }
    // Our own size limit governs; Qt's default would refuse ordinary large photographs.
    reader.setAllocationLimit(int(kMaxPicturePixels * 8 / (1024 * 1024)) + 64);
    Decoded d;
    d.image = reader.read();
    if (d.image.isNull()) {
        return Decoded::Refused(reader.error() == QImageReader::UnsupportedFormatError
                                    ? NotAPicture()
                                    : QStringLiteral("图片数据已损坏，无法读出"));
    }
    // The file, Qt's picture and, unless it already is one, our 32-bit copy of it.
    const std::int64_t decoded = d.image.sizeInBytes();
    d.peakBytes = bytes.size() + decoded +
                  (d.image.format() == QImage::Format_RGB32
                       ? 0
                       : 4 * std::int64_t(d.image.width()) * d.image.height());
    return d;
}

}  // namespace lanxi
