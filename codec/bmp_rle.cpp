#include "codec/bmp_rle.h"

#include <QtEndian>
#include <algorithm>
#include <cstdlib>

#include "base/errors.h"
#include "codec/loader.h"

namespace lanxi::detail {
namespace {

constexpr quint32 kRle8 = 1;
constexpr quint32 kRle4 = 2;
constexpr qint64 kInfoHeaderEnd = 14 + 40;  // file header and the smallest header with RLE

[[noreturn]] void refuse(const QString& reason, ErrorCode code = ErrorCode::InvalidPicture) {
    throw Error(code, reason);
}

}  // namespace

bool IsRleBmp(const QByteArray& bytes) {
    if (bytes.size() < kInfoHeaderEnd) {
        return false;
    }
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
    const quint32 compression = qFromLittleEndian<quint32>(p + 30);
    return qFromLittleEndian<quint32>(p + 14) >= 40 &&
           (compression == kRle8 || compression == kRle4);
}

QImage DecodeRleBmp(const QByteArray& bytes) {
    if (!IsRleBmp(bytes)) {
        refuse(QStringLiteral("BMP 图片的文件头已损坏"));
    }
    const auto* file = reinterpret_cast<const uchar*>(bytes.constData());
    const qint64 size = bytes.size();
    const quint32 dataOffset = qFromLittleEndian<quint32>(file + 10);
    const quint32 headerSize = qFromLittleEndian<quint32>(file + 14);
    const qint64 width = qFromLittleEndian<qint32>(file + 18);
    const qint64 storedHeight = qFromLittleEndian<qint32>(file + 22);
    const int bpp = qFromLittleEndian<quint16>(file + 28);
    const int bits = qFromLittleEndian<quint32>(file + 30) == kRle8 ? 8 : 4;
    const quint32 colorsUsed = qFromLittleEndian<quint32>(file + 46);

    if (bpp != bits) {
        refuse(QStringLiteral("BMP 图片的压缩方式（RLE%1）与颜色位数（%2 位）不符")
                   .arg(bits)
                   .arg(bpp));
    }
    // The loader has checked the size already; checked again so that no caller can make this
    // allocate without limit.
    const qint64 height = std::abs(storedHeight);
    if (width <= 0 || height <= 0) {
        refuse(QStringLiteral("BMP 图片的宽或高不正确（%1 × %2）").arg(width).arg(storedHeight));
    }
    if (width > kMaxPictureSide || height > kMaxPictureSide || width * height > kMaxPicturePixels) {
        refuse(QStringLiteral("图片尺寸过大（%1 × %2 像素），无法打开").arg(width).arg(height));
    }
    if (dataOffset > size) {
        refuse(QStringLiteral("BMP 图片的像素数据不在文件之内（位置 %1，文件只有 %2 字节）")
                   .arg(dataOffset)
                   .arg(size));
    }

    // Every index maps to a colour: the palette's own, or the background for indexes past it.
    const qint64 paletteStart = 14 + qint64(headerSize);
    qint64 colours = colorsUsed == 0 || colorsUsed > (1u << bits) ? (1 << bits) : colorsUsed;
    colours = std::clamp<qint64>((size - paletteStart) / 4, 0, colours);
    QRgb table[256];
    for (qint64 i = 0; i < colours; ++i) {
        const uchar* entry = file + paletteStart + 4 * i;  // blue, green, red, unused
        table[i] = qRgb(entry[2], entry[1], entry[0]);
    }
    const QRgb background = colours > 0 ? table[0] : qRgb(0, 0, 0);
    std::fill(table + colours, table + 256, background);

    QImage image(int(width), int(height), QImage::Format_RGB32);
    if (image.isNull()) {
        refuse(QStringLiteral("内存不足，无法打开这张图片（%1 × %2 像素）").arg(width).arg(height),
               ErrorCode::OutOfMemory);
    }
    image.fill(background);
    uchar* const pixels = image.bits();
    const qsizetype bytesPerLine = image.bytesPerLine();

    const uchar* const data = file + dataOffset;
    const qint64 length = size - dataOffset;
    qint64 pos = 0;
    // The position in stored order: rows counted from the first row stored. x stays within
    // [0, width] and y below height, so a write needs only x < width.
    qint64 x = 0;
    qint64 y = 0;
    while (y < height && pos + 2 <= length) {
        const int count = data[pos];
        const int code = data[pos + 1];
        pos += 2;
        auto* row = reinterpret_cast<QRgb*>(pixels +
                                            (storedHeight > 0 ? height - 1 - y : y) * bytesPerLine);
        if (count > 0) {
            // A run: one index repeated (RLE8), or two alternating (RLE4, high nibble first).
            const QRgb even = table[bits == 8 ? code : code >> 4];
            const QRgb odd = table[bits == 8 ? code : code & 0x0f];
            const qint64 n = std::min<qint64>(count, width - x);
            for (qint64 i = 0; i < n; ++i) {
                row[x + i] = i % 2 == 0 ? even : odd;
            }
            x += n;
        } else if (code == 0) {  // end of line
            x = 0;
            ++y;
        } else if (code == 1) {  // end of picture
            break;
        } else if (code == 2) {  // delta: right and onward by the next two bytes
            if (pos + 2 > length) {
                break;
            }
            x = std::min<qint64>(x + data[pos], width);
            y += data[pos + 1];
            pos += 2;
        } else {
            // Absolute: `code` indexes as stored, padded to a whole number of 16-bit words.
            const qint64 used = bits == 8 ? code : (code + 1) / 2;
            for (int i = 0; i < code && x < width; ++i) {
                const qint64 at = pos + (bits == 8 ? i : i / 2);
                if (at >= length) {
                    break;
                }
                const int b = data[at];
                row[x++] = table[bits == 8 ? b : i % 2 == 0 ? b >> 4 : b & 0x0f];
            }
            pos += (used + 1) & ~qint64(1);
        }
    }
    return image;
}

}  // namespace lanxi::detail
