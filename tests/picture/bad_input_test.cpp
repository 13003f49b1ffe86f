#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QtEndian>

#include "picture/errors.h"
#include "picture/loader.h"
#include "tests/support/bmp.h"
#include "tests/support/images.h"

namespace lanxi {
namespace {

using test::Bmp;
using test::GreyPalette;

struct Outcome {
    bool loaded = false;
    QSize size;
    QString reason;
    qint64 ms = 0;
};

Outcome load(const QByteArray& bytes) {
    Outcome o;
    QElapsedTimer timer;
    timer.start();
    try {
        const StdPicture p = DecodePicture(bytes);
        o.loaded = true;
        o.size = p.size();
    } catch (const Error& e) {
        o.reason = e.message();
    }
    o.ms = timer.elapsed();
    return o;
}

TEST(BadInput, BmpFieldsThatLieAreRefusedQuicklyWithAReason) {
    Bmp valid;
    valid.pixels = QByteArray(4 * 12, char(0x80));
    ASSERT_TRUE(load(valid.bytes()).loaded);

    std::vector<std::pair<const char*, Bmp>> cases;
    Bmp b = valid;
    b.width = 0;
    cases.emplace_back("zero width", b);
    b = valid;
    b.height = 0;
    cases.emplace_back("zero height", b);
    b = valid;
    b.width = -4;
    cases.emplace_back("negative width", b);
    b = valid;
    b.width = 2'000'000'000;
    cases.emplace_back("huge width", b);
    b = valid;
    b.height = -2'000'000'000;
    cases.emplace_back("huge top-down height", b);
    b = valid;
    b.width = 20000;
    b.height = 20000;
    cases.emplace_back("large size, no data", b);
    b = valid;
    b.bpp = 8;
    b.colorsUsed = 100000;  // a palette far beyond the file
    b.palette = GreyPalette(4);
    b.pixels = QByteArray(16, 1);
    cases.emplace_back("palette overrun", b);
    b = valid;
    b.bpp = 7;
    cases.emplace_back("impossible depth", b);
    for (const auto& [what, bmp] : cases) {
        const Outcome o = load(bmp.bytes());
        EXPECT_FALSE(o.loaded) << what;
        EXPECT_FALSE(o.reason.isEmpty()) << what;
        EXPECT_LT(o.ms, 1000) << what;
    }
}

TEST(BadInput, RleDataThatRunsPastThePictureDoesNotWriteOutsideIt) {
    Bmp rle;
    rle.width = 4;
    rle.height = 2;
    rle.bpp = 8;
    rle.compression = 1;  // RLE8
    rle.palette = GreyPalette(256);
    rle.colorsUsed = 256;
    // A run of 255 pixels in a 4-pixel row, a delta far outside, absolute data overrunning the
    // file, and no end marker.
    rle.pixels = QByteArray::fromHex(
        "ff07"
        "000264ff"
        "0010aabb");
    const Outcome o = load(rle.bytes());
    if (o.loaded) {
        EXPECT_EQ(o.size, QSize(4, 2));
    } else {
        EXPECT_FALSE(o.reason.isEmpty());
    }
    EXPECT_LT(o.ms, 1000);
}

TEST(BadInput, ValidButUnusualPicturesOpenCorrectly) {
    // 1-bit: black and white columns.
    const Outcome o = load(test::MonoBmp());
    ASSERT_TRUE(o.loaded) << o.reason;
    EXPECT_EQ(o.size, QSize(8, 2));
    QImage image = DecodePicture(test::MonoBmp()).image();
    EXPECT_EQ(image.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(1, 0), qRgb(255, 255, 255));

    // 16-bit (5-5-5): pure red.
    image = DecodePicture(test::Rgb16Bmp()).image();
    ASSERT_EQ(image.size(), QSize(2, 1));
    EXPECT_GT(qRed(image.pixel(0, 0)), 240);
    EXPECT_LT(qGreen(image.pixel(0, 0)), 10);
}

TEST(BadInput, CmykJpegOpensWithItsColours) {
    // A CMYK JPEG as print software writes it (Adobe marker, inverted values); made with libjpeg
    // so that no other program is needed.
    const QByteArray cmyk = test::CmykJpeg(16, 8, /*cyan*/ 255, 0, 0, 0);
    ASSERT_FALSE(cmyk.isEmpty());
    const QImage image = DecodePicture(cmyk).image();
    ASSERT_EQ(image.size(), QSize(16, 8));
    // Full cyan ink: no red, full green and blue.
    EXPECT_LT(qRed(image.pixel(8, 4)), 30);
    EXPECT_GT(qGreen(image.pixel(8, 4)), 225);
    EXPECT_GT(qBlue(image.pixel(8, 4)), 225);
}

TEST(BadInput, JpegDataGarbledAfterTheHeaderIsRefusedOrDecodedNeverCrashes) {
    QByteArray jpeg = test::JpegBytes(test::SmoothImage(64, 64));
    for (int seed = 0; seed < 40; ++seed) {
        QByteArray bad = jpeg;
        for (qsizetype i = bad.size() / 3 + seed; i < bad.size() - 2; i += 7 + seed) {
            bad[i] = char(bad[i] ^ (0x5a + seed));
        }
        const Outcome o = load(bad);
        EXPECT_TRUE(o.loaded || !o.reason.isEmpty()) << seed;
        EXPECT_LT(o.ms, 1000) << seed;
    }
}

TEST(BadInput, PngNamedJpgOpensAsThePictureItIs) {
    test::TempDir dir;
    const QString path = dir.file(QStringLiteral("其实是 PNG 😀.jpg"));
    ASSERT_TRUE(test::PatternImage(20, 10).save(path, "png"));
    EXPECT_EQ(LoadPicture(path).image(), test::PatternImage(20, 10));
}

}  // namespace
}  // namespace lanxi
