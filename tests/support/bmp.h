#pragma once

#include <QByteArray>
#include <QtEndian>

namespace lanxi::test {

// A BMP file put together field by field, so that each field can lie.
struct Bmp {
    qint32 width = 4;
    qint32 height = 4;
    quint16 bpp = 24;
    quint32 compression = 0;
    quint32 colorsUsed = 0;
    quint32 headerSize = 40;  // larger: the later header versions, the rest left at zero
    quint32 dataOffset = 0;   // 0: right after the palette, where it belongs
    QByteArray palette;       // 4 bytes a colour
    QByteArray pixels;

    QByteArray bytes() const {
        QByteArray info(qsizetype(headerSize), 0);
        qToLittleEndian<quint32>(headerSize, info.data());
        qToLittleEndian<qint32>(width, info.data() + 4);
        qToLittleEndian<qint32>(height, info.data() + 8);
        qToLittleEndian<quint16>(1, info.data() + 12);
        qToLittleEndian<quint16>(bpp, info.data() + 14);
        qToLittleEndian<quint32>(compression, info.data() + 16);
        qToLittleEndian<quint32>(quint32(pixels.size()), info.data() + 20);
        qToLittleEndian<quint32>(colorsUsed, info.data() + 32);
        QByteArray file(14, 0);
        file[0] = 'B';
        file[1] = 'M';
        const quint32 offset = 14 + headerSize + quint32(palette.size());
        qToLittleEndian<quint32>(offset + quint32(pixels.size()), file.data() + 2);
        qToLittleEndian<quint32>(dataOffset != 0 ? dataOffset : offset, file.data() + 10);
        return file + info + palette + pixels;
    }
};

inline QByteArray GreyPalette(int n) {
    QByteArray p;
    for (int i = 0; i < n; ++i) {
        const char v = char(i * 255 / std::max(1, n - 1));
        p += v;
        p += v;
        p += v;
        p += char(0);
    }
    return p;
}

// A 1-bit BMP, 8 x 2, black and white columns (black at x = 0).
inline QByteArray MonoBmp() {
    Bmp mono;
    mono.width = 8;
    mono.height = 2;
    mono.bpp = 1;
    mono.palette = QByteArray::fromHex("00000000ffffff00");
    mono.pixels = QByteArray::fromHex("5500000055000000");
    return mono.bytes();
}

// A 16-bit (5-5-5) BMP, 2 x 1, pure red.
inline QByteArray Rgb16Bmp() {
    Bmp rgb16;
    rgb16.width = 2;
    rgb16.height = 1;
    rgb16.bpp = 16;
    rgb16.pixels = QByteArray::fromHex("007c007c");
    return rgb16.bytes();
}

}  // namespace lanxi::test
