#include "codec/bmp_codec.h"

#include <QtEndian>
#include <algorithm>
#include <cstdlib>

#include "codec/limits.h"
#include "codec/qt_codec.h"

namespace lanxi {
namespace {

constexpr quint32 kRle8 = 1;
constexpr quint32 kRle4 = 2;
constexpr std::int64_t kCoreHeaderEnd = 14 + 12;  // file header and the oldest info header
constexpr std::int64_t kInfoHeaderEnd = 14 + 40;  // and the smallest header with compression

}  // namespace

bool BmpHeader::rle() const {
    return headerSize >= 40 && (compression == kRle8 || compression == kRle4);
}

BmpHeader ReadBmpHeader(const ByteSource& source) {
    BmpHeader b;
    b.fileBytes = source.size();
    uchar p[kInfoHeaderEnd] = {};
    const std::int64_t got = source.read(0, reinterpret_cast<char*>(p), kInfoHeaderEnd);
    if (got < kCoreHeaderEnd) {
        return b;
    }
    b.dataOffset = qFromLittleEndian<quint32>(p + 10);
    b.headerSize = qFromLittleEndian<quint32>(p + 14);
    if (b.headerSize == 12) {
        b.width = qFromLittleEndian<quint16>(p + 18);
        b.storedHeight = qFromLittleEndian<quint16>(p + 20);
        b.bpp = qFromLittleEndian<quint16>(p + 24);
    } else if (b.headerSize >= 40 && got >= kInfoHeaderEnd) {
        b.width = qFromLittleEndian<qint32>(p + 18);
        b.storedHeight = qFromLittleEndian<qint32>(p + 22);
        b.bpp = qFromLittleEndian<quint16>(p + 28);
        b.compression = qFromLittleEndian<quint32>(p + 30);
        b.colorsUsed = qFromLittleEndian<quint32>(p + 46);
    }
    return b;
}

PictureFootprint BmpFootprint(const BmpHeader& b) {
    PictureFootprint f;
    f.fileBytes = b.fileBytes;
    f.memoryBytes = b.fileBytes;
    if (b.fileBytes < kCoreHeaderEnd) {
        f.refusal = QStringLiteral("BMP 图片文件不完整");
        return f;
    }
    if (b.headerSize != 12 && !(b.headerSize >= 40 && b.fileBytes >= kInfoHeaderEnd)) {
        f.refusal = QStringLiteral("BMP 图片的文件头已损坏");
        return f;
    }
    const std::int64_t w = b.width, h = b.height();
    if (f.refusal = SizeRefusal(w, h); !f.refusal.isEmpty()) {
        return f;
    }
    const std::int64_t size = b.fileBytes;
    const bool uncompressed = b.compression == 0 || b.compression == 3 || b.compression == 6;
    if (uncompressed &&
        (b.bpp == 1 || b.bpp == 4 || b.bpp == 8 || b.bpp == 16 || b.bpp == 24 || b.bpp == 32)) {
        const std::int64_t stride = ((w * b.bpp + 31) / 32) * 4;
        if (b.dataOffset > size || stride * h > size - b.dataOffset) {
            f.refusal = QStringLiteral("BMP 图片文件不完整（可能没有复制完）");
            return f;
        }
    }
    if (b.rle()) {
        const int bits = b.compression == kRle8 ? 8 : 4;
        if (b.bpp != bits) {
            f.refusal = QStringLiteral("BMP 图片的压缩方式（RLE%1）与颜色位数（%2 位）不符")
                            .arg(bits)
                            .arg(b.bpp);
            return f;
        }
        if (b.dataOffset > size) {
            f.refusal =
                QStringLiteral("BMP 图片的像素数据不在文件之内（位置 %1，文件只有 %2 字节）")
                    .arg(b.dataOffset)
                    .arg(size);
            return f;
        }
    }
    f.size = QSize(int(w), int(h));
    // Our RLE decoder writes the pixels once; Qt's reader decodes the others into an image that
    // is then made our 32-bit rows: two pictures at the peak.
    f.memoryBytes += w * h * 4 * (b.rle() ? 1 : 2);
    return f;
}

QImage DecodeRleBmp(const QByteArray& bytes, const BmpHeader& header) {
    const auto* file = reinterpret_cast<const uchar*>(bytes.constData());
    const qint64 size = bytes.size();
    const quint32 dataOffset = header.dataOffset;
    const quint32 headerSize = header.headerSize;
    const qint64 width = header.width;
    const qint64 storedHeight = header.storedHeight;
    const int bits = header.compression == kRle8 ? 8 : 4;
    const quint32 colorsUsed = header.colorsUsed;
    const qint64 height = header.height();

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
        return image;
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

Decoded DecodeBmp(const QByteArray& bytes, const DecodeRequest&) {
    const BmpHeader header = ReadBmpHeader(MemorySource(bytes));
    if (const PictureFootprint f = BmpFootprint(header); !f.refusal.isEmpty()) {
        return Decoded::Refused(f.refusal);
    }
    if (!header.rle()) {
        return DecodeWithQt(bytes, "bmp");
    }
    // Qt's reader leaves the pixels that RLE data skips as whatever memory held.
    Decoded d;
    d.image = DecodeRleBmp(bytes, header);
    if (d.image.isNull()) {
        return Decoded::Refused(NoMemoryFor(header.width, header.height()));
    }
    d.peakBytes = bytes.size() + d.image.sizeInBytes();
    return d;
}

}  // namespace lanxi
