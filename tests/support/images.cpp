#include "tests/support/images.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

extern "C" {
#include <jpeglib.h>
}

namespace lanxi::test {

QImage PatternImage(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            row[x] = qRgb((x * 7 + y * 3) & 0xff, (x * 5 + y * 11) & 0xff, (x ^ y) & 0xff);
        }
    }
    return image;
}

QImage SmoothImage(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const double fx = double(x) / std::max(1, width - 1);
            const double fy = double(y) / std::max(1, height - 1);
            row[x] = qRgb(int(40 + 180 * fx), int(90 + 100 * fy),
                          int(128 + 100 * std::sin(3.0 * fx + 2.0 * fy)));
        }
    }
    return image;
}

QImage PhotoImage(int width, int height) {
    QImage image = SmoothImage(width, height);
    std::uint32_t state = 2463534242u;  // xorshift: the same grain on every machine
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            state ^= state << 13, state ^= state >> 17, state ^= state << 5;
            const int grain = int(state % 33) - 16;
            const int texture = int(28 * std::sin(x * 0.21) * std::sin(y * 0.17 + x * 0.05));
            const auto add = [&](int c) { return std::clamp(c + grain + texture, 0, 255); };
            row[x] = qRgb(add(qRed(row[x])), add(qGreen(row[x])), add(qBlue(row[x])));
        }
    }
    return image;
}

void WriteBmp(const QImage& image, const QString& path) {
    QImageWriter writer(path, "bmp");
    ASSERT_TRUE(writer.write(image)) << path.toStdString();
}

QByteArray JpegBytes(const QImage& image, int quality) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(quality);
    EXPECT_TRUE(writer.write(image));
    return bytes;
}

void WriteJpeg(const QImage& image, const QString& path, int quality) {
    WriteBytes(JpegBytes(image, quality), path);
}

void WriteBytes(const QByteArray& bytes, const QString& path) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return file.readAll();
}

QByteArray JpegWithOrientation(const QImage& image, int orientation, int blockBytes) {
    QByteArray jpeg = JpegBytes(image);
    // APP1: "Exif\0\0", then a big-endian TIFF header with one IFD entry, Orientation (0x0112),
    // type SHORT, count 1.
    QByteArray tiff = QByteArray::fromHex(
        "4d4d002a00000008"
        "0001"
        "0112000300000001");
    tiff += char(0);
    tiff += char(orientation);
    tiff += QByteArray(2, 0);
    tiff += QByteArray(4, 0);  // no next IFD
    tiff += QByteArray(std::clamp(blockBytes - int(tiff.size()), 0, 65'000), 0);
    QByteArray payload = QByteArray("Exif\0\0", 6) + tiff;
    QByteArray segment = QByteArray::fromHex("ffe1");
    const int length = int(payload.size()) + 2;
    segment += char(length >> 8);
    segment += char(length & 0xff);
    segment += payload;
    return jpeg.left(2) + segment + jpeg.mid(2);
}

QByteArray JpegClaimingSize(const QImage& image, int width, int height) {
    return ClaimingSize(JpegBytes(image), width, height);
}

QByteArray ClaimingSize(QByteArray jpeg, int width, int height) {
    for (qsizetype i = 2; i + 9 < jpeg.size(); ++i) {
        const auto m = static_cast<unsigned char>(jpeg[i + 1]);
        if (static_cast<unsigned char>(jpeg[i]) == 0xFF && m >= 0xC0 && m <= 0xCF && m != 0xC4 &&
            m != 0xC8 && m != 0xCC) {
            jpeg[i + 5] = char(height >> 8);
            jpeg[i + 6] = char(height & 0xff);
            jpeg[i + 7] = char(width >> 8);
            jpeg[i + 8] = char(width & 0xff);
            break;
        }
    }
    return jpeg;
}

namespace {

// Encodes rows of `components` bytes a pixel with libjpeg, as `how` asks.
QByteArray encode(int width, int height, int components, J_COLOR_SPACE space,
                  const std::function<void(int, unsigned char*)>& row, const JpegMaking& how) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &out, &size);
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = components;
    cinfo.in_color_space = space;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, how.quality, TRUE);
    cinfo.arith_code = how.arithmetic ? TRUE : FALSE;
    cinfo.restart_in_rows = how.restartRows;
    if (how.progressive) {
        jpeg_simple_progression(&cinfo);
    }
    jpeg_start_compress(&cinfo, TRUE);
    if (!how.profile.isEmpty()) {
        jpeg_write_icc_profile(&cinfo, reinterpret_cast<const JOCTET*>(how.profile.constData()),
                               unsigned(how.profile.size()));
    }
    std::vector<unsigned char> buffer(std::size_t(width) * std::size_t(components));
    while (cinfo.next_scanline < cinfo.image_height) {
        row(int(cinfo.next_scanline), buffer.data());
        JSAMPROW r = buffer.data();
        jpeg_write_scanlines(&cinfo, &r, 1);
    }
    jpeg_finish_compress(&cinfo);
    QByteArray bytes(reinterpret_cast<const char*>(out), qsizetype(size));
    jpeg_destroy_compress(&cinfo);
    std::free(out);
    return bytes;
}

}  // namespace

QByteArray MakeJpeg(const QImage& image, const JpegMaking& how) {
    if (how.grey) {
        const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
        return encode(
            grey.width(), grey.height(), 1, JCS_GRAYSCALE,
            [&grey](int y, unsigned char* out) {
                std::memcpy(out, grey.constScanLine(y), std::size_t(grey.width()));
            },
            how);
    }
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    return encode(
        rgb.width(), rgb.height(), 3, JCS_RGB,
        [&rgb](int y, unsigned char* out) {
            std::memcpy(out, rgb.constScanLine(y), std::size_t(rgb.width()) * 3);
        },
        how);
}

QByteArray CmykJpeg(int width, int height, int c, int m, int y, int k, const QByteArray& profile) {
    JpegMaking how;
    how.quality = 95;
    how.profile = profile;
    return encode(
        width, height, 4, JCS_CMYK,
        [&](int, unsigned char* row) {
            for (int x = 0; x < width; ++x) {
                row[4 * x] = (unsigned char)(255 - c);
                row[4 * x + 1] = (unsigned char)(255 - m);
                row[4 * x + 2] = (unsigned char)(255 - y);
                row[4 * x + 3] = (unsigned char)(255 - k);
            }
        },
        how);
}

QByteArray ArithmeticBomb(int width, int height) {
    JpegMaking how;
    how.arithmetic = true;
    QImage flat(16, 16, QImage::Format_RGB32);
    flat.fill(qRgb(128, 128, 128));
    return ClaimingSize(MakeJpeg(flat, how), width, height);
}

QByteArray RepeatedScans(const QByteArray& jpeg, int copies) {
    const qsizetype lastScan = jpeg.lastIndexOf(QByteArray::fromHex("ffda"));
    const qsizetype end = jpeg.lastIndexOf(QByteArray::fromHex("ffd9"));
    const QByteArray scan = jpeg.mid(lastScan, end - lastScan);
    QByteArray bytes = jpeg.left(end);
    for (int i = 0; i < copies; ++i) {
        bytes += scan;
    }
    return bytes + jpeg.mid(end);
}

QByteArray DamagedRestartMarkers(const QImage& image) {
    JpegMaking how;
    how.restartRows = 1;
    QByteArray jpeg = MakeJpeg(image, how);
    // Every third restart marker gets the wrong number, as bit rot on a card leaves them.
    int seen = 0;
    for (qsizetype i = jpeg.indexOf(QByteArray::fromHex("ffda")); i + 1 < jpeg.size(); ++i) {
        const auto m = static_cast<unsigned char>(jpeg[i + 1]);
        if (static_cast<unsigned char>(jpeg[i]) == 0xFF && m >= 0xD0 && m <= 0xD7 &&
            ++seen % 3 == 0) {
            jpeg[i + 1] = char(0xD0 + (m - 0xD0 + 4) % 8);
        }
    }
    return jpeg;
}

int MaxDifference(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) {
        return -1;
    }
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    int worst = 0;
    for (int r = 0; r < x.height(); ++r) {
        const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(r));
        const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(r));
        for (int c = 0; c < x.width(); ++c) {
            worst = std::max({worst, std::abs(qRed(p[c]) - qRed(q[c])),
                              std::abs(qGreen(p[c]) - qGreen(q[c])),
                              std::abs(qBlue(p[c]) - qBlue(q[c]))});
        }
    }
    return worst;
}

double MeanDifference(const QImage& a, const QImage& b) {
    if (a.size() != b.size() || a.isNull()) {
        return -1;
    }
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    double sum = 0;
    for (int r = 0; r < x.height(); ++r) {
        const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(r));
        const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(r));
        for (int c = 0; c < x.width(); ++c) {
            sum += std::abs(qRed(p[c]) - qRed(q[c])) + std::abs(qGreen(p[c]) - qGreen(q[c])) +
                   std::abs(qBlue(p[c]) - qBlue(q[c]));
        }
    }
    return sum / (3.0 * x.width() * x.height());
}

TempDir::TempDir() : dir_(QDir::tempPath() + QStringLiteral("/岚溪 测试-XXXXXX")) {
    EXPECT_TRUE(dir_.isValid());
}

}  // namespace lanxi::test
