#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QtEndian>
#include <atomic>
#include <cstring>

#include "picture/errors.h"
#include "picture/loader.h"
#include "picture/picture_probe.h"
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

TEST(BadInput, DamagedJpegDataIsDecodedButMarkedDamaged) {
    const QImage picture = test::SmoothImage(256, 256);
    LoadControl damaged, intact;
    EXPECT_EQ(DecodePicture(test::DamagedRestartMarkers(picture), &damaged).size(),
              QSize(256, 256));
    EXPECT_TRUE(damaged.damaged);
    // Restart markers and the extra bytes some cameras leave before the end are no damage.
    DecodePicture(test::MakeJpeg(picture, {90, false, false, 1}) + QByteArray(3, 0), &intact);
    EXPECT_FALSE(intact.damaged);
}

TEST(BadInput, AStopRequestEndsReadingAndDecoding) {
    const std::atomic<bool> stop{true};
    test::TempDir dir;
    const QImage picture = test::SmoothImage(64, 48);
    test::WriteJpeg(picture, dir.file(QStringLiteral("a.jpg")));
    for (const QByteArray& jpeg :
         {test::MakeJpeg(picture, {}), test::MakeJpeg(picture, {90, true})}) {
        LoadControl control{&stop};
        try {
            DecodePicture(jpeg, &control);
            ADD_FAILURE() << "decoded although stopped";
        } catch (const Error& e) {
            EXPECT_EQ(e.code(), ErrorCode::UserInterrupt);
        }
    }
    LoadControl control{&stop};
    EXPECT_THROW(LoadPicture(dir.file(QStringLiteral("a.jpg")), &control), Error);
}

TEST(PictureProbe, TellsFromTheHeaderWhatLoadingAPictureTakes) {
    const auto probe = [](const QByteArray& bytes) {
        return ProbePicture(
            [&bytes](std::int64_t at, char* out, std::int64_t n) -> std::int64_t {
                const QByteArray part = bytes.mid(qsizetype(at), qsizetype(n));
                std::memcpy(out, part.constData(), std::size_t(part.size()));
                return part.size();
            },
            bytes.size());
    };
    const QImage photo = test::SmoothImage(640, 480);
    const QByteArray baseline = test::MakeJpeg(photo, {});
    const QByteArray progressive = test::MakeJpeg(photo, {90, true});
    const QByteArray bomb = test::ArithmeticBomb(15000, 15000);
    const QByteArray turned = test::JpegWithOrientation(test::SmoothImage(40, 20), 6);
    const QByteArray absurd = test::JpegClaimingSize(test::SmoothImage(8, 8), 65000, 65000);
    const PictureFootprint b = probe(baseline), p = probe(progressive), a = probe(bomb),
                           t = probe(turned), x = probe(absurd), text = probe("no picture");
    EXPECT_EQ(b.size, QSize(640, 480));
    EXPECT_EQ(b.memoryBytes, baseline.size() + 640 * 480 * 4);
    // A progressive picture's coefficients: two bytes each, chroma at a quarter.
    EXPECT_GE(p.memoryBytes - progressive.size() - b.memoryBytes + baseline.size(),
              640 * 480 * 3 / 2 * 2);
    EXPECT_EQ(a.size, QSize(15000, 15000));
    EXPECT_GE(a.memoryBytes, 15000LL * 15000 * 4);
    EXPECT_LT(bomb.size(), 1000);
    EXPECT_EQ(t.size, QSize(20, 40));
    EXPECT_EQ(t.memoryBytes, turned.size() + 2 * 40 * 20 * 4);
    EXPECT_EQ(x.memoryBytes, absurd.size()) << "refused before decoding";
    EXPECT_FALSE(text.size.isValid());
    EXPECT_EQ(text.memoryBytes, 10);
    EXPECT_EQ(DecodePicture(progressive).size(), QSize(640, 480)) << "real progressive files open";
}

}  // namespace
}  // namespace lanxi
