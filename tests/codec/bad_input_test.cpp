#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QtEndian>
#include <algorithm>
#include <atomic>
#include <cstring>

#include "base/errors.h"
#include "codec/loader.h"
#include "codec/picture_probe.h"
#include "tests/support/bmp.h"
#include "tests/support/cpu_time.h"
#include "tests/support/formats.h"
#include "tests/support/images.h"

namespace lanxi {
namespace {

using test::Bmp;
using test::GreyPalette;

struct Outcome {
    bool loaded = false;
    QSize size;
    QString reason;
    std::int64_t ms = 0;  // processor time
};

Outcome load(const QByteArray& bytes) {
    Outcome o;
    const std::int64_t start = test::CpuMilliseconds();
    try {
        const StdPicture p = DecodePicture(bytes);
        o.loaded = true;
        o.size = p.size();
    } catch (const Error& e) {
        o.reason = e.message();
    }
    o.ms = test::CpuMilliseconds() - start;
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
    b = valid;
    b.bpp = 8;
    b.compression = 1;  // RLE8
    b.pixels = QByteArray::fromHex("04010001");
    b.dataOffset = 5000;
    cases.emplace_back("RLE data past the end of the file", b);
    b.dataOffset = 0;
    b.bpp = 4;
    cases.emplace_back("RLE8 with 4 bits a pixel", b);
    for (const auto& [what, bmp] : cases) {
        const Outcome o = load(bmp.bytes());
        EXPECT_FALSE(o.loaded) << what;
        EXPECT_FALSE(o.reason.isEmpty()) << what;
        EXPECT_LT(o.ms, 1000) << what;
    }
}

// Sixteen colours, none of them black, so that a pixel left at zero shows.
QByteArray Palette16() {
    QByteArray p;
    for (int i = 0; i < 16; ++i) {
        p += char(20 + i * 14);
        p += char(200 - i * 9);
        p += char(90 + i * 5);
        p += char(0);
    }
    return p;
}

// The pixels as palette indexes, one hex digit each, rows top first and joined by '/'; '?' for
// a colour not in the palette. With no palette, black counts as index 0.
std::string IndexRows(const QImage& image, const QByteArray& palette) {
    QList<QRgb> colours;
    for (qsizetype i = 0; i + 4 <= palette.size(); i += 4) {
        colours += qRgb(uchar(palette[i + 2]), uchar(palette[i + 1]), uchar(palette[i]));
    }
    if (colours.isEmpty()) {
        colours += qRgb(0, 0, 0);
    }
    std::string rows;
    for (int y = 0; y < image.height(); ++y) {
        rows += y == 0 ? "" : "/";
        for (int x = 0; x < image.width(); ++x) {
            const qsizetype i = colours.indexOf(image.pixel(x, y));
            rows += i < 0 ? '?' : "0123456789abcdef"[i];
        }
    }
    return rows;
}

TEST(BadInput, RleBmpsDecodeToExactPixelsWhateverTheDataSkipsOrOverruns) {
    const auto rle = [](int bits, qint32 w, qint32 h, const char* hex) {
        Bmp b;
        b.width = w;
        b.height = h;
        b.bpp = quint16(bits);
        b.compression = bits == 8 ? 1 : 2;
        b.palette = Palette16();
        b.colorsUsed = 16;
        b.pixels = QByteArray::fromHex(hex);
        return b;
    };
    struct Case {
        const char* what;
        Bmp bmp;
        const char* rows;  // top row first; a skipped pixel is the palette's first colour
    } cases[] = {
        // Run, delta, run, end of line, absolute 3 (padded), end of line, run, end of picture.
        {"RLE8 with skips", rle(8, 4, 4, "0201 00020101 0104 0000 0003070809 00 0000 010a 0001"),
         "a000/7890/0004/1100"},
        // Alternating run, end of line, absolute 5 (3 bytes, padded), delta, run, end.
        {"RLE4 with skips", rle(4, 6, 3, "0512 0000 0005 6789a000 00020001 01bb 0001"),
         "00000b/6789a0/121210"},
        {"data that ends inside an absolute run", rle(8, 4, 2, "0202 0004 01"), "0000/2210"},
        // A run of 255 in a 4-pixel row, a delta far outside, then absolute data never reached.
        {"runs and deltas past the picture", rle(8, 4, 2, "ff07 000264ff 0010aabb"), "0000/7777"},
        {"top row first", rle(8, 4, -2, "0201 0000 0302 0001"), "1100/2220"},
        {"version 5 header", rle(4, 4, 1, "0412 0000 0001"), "1212"},
        {"index past a short palette", rle(8, 4, 1, "0205 0202 0001"), "0022"},
        {"no palette, no data", rle(8, 4, 1, ""), "0000"},
    };
    cases[5].bmp.headerSize = 124;
    cases[6].bmp.colorsUsed = 3;
    cases[6].bmp.palette = Palette16().left(3 * 4);
    cases[7].bmp.colorsUsed = 0;
    cases[7].bmp.palette.clear();

    for (const Case& c : cases) {
        const QByteArray file = c.bmp.bytes();
        std::string first;
        try {
            first = IndexRows(DecodePicture(file).image(), c.bmp.palette);
        } catch (const Error& e) {
            ADD_FAILURE() << c.what << ": " << e.message();
            continue;
        }
        // A bright picture of the same size decoded and freed in between: pixels the decoder
        // leaves unwritten would now show what it left in memory.
        Bmp bright;
        bright.width = c.bmp.width;
        bright.height = std::abs(c.bmp.height);
        bright.bpp = 8;
        bright.palette = GreyPalette(256);
        bright.pixels = QByteArray(bright.height * ((bright.width + 3) / 4 * 4), char(0xff));
        ASSERT_FALSE(DecodePicture(bright.bytes()).isEmpty());
        EXPECT_EQ(first, c.rows) << c.what;
        EXPECT_EQ(IndexRows(DecodePicture(file).image(), c.bmp.palette), c.rows) << c.what;
    }
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
    Stop stop;
    stop.request();
    test::TempDir dir;
    const QImage picture = test::SmoothImage(64, 48);
    test::WriteJpeg(picture, dir.file(QStringLiteral("a.jpg")));
    for (const QByteArray& jpeg : {test::MakeJpeg(picture, {}), test::MakeJpeg(picture, {90, true}),
                                   test::MakePng(picture, {}), test::MakeWebp(picture, false),
                                   test::MakeWebp(picture, true), test::MakeHeif(picture, {})}) {
        if (jpeg.isEmpty()) {
            continue;  // no HEVC encoder here
        }
        LoadControl control;
        control.stop = &stop;
        try {
            DecodePicture(jpeg, &control);
            ADD_FAILURE() << "decoded although stopped";
        } catch (const Error& e) {
            EXPECT_EQ(e.code(), ErrorCode::UserInterrupt);
        }
    }
    LoadControl control;
    control.stop = &stop;
    EXPECT_THROW(LoadPicture(dir.file(QStringLiteral("a.jpg")), &control), Error);
}

TEST(PictureProbe, TellsFromTheHeaderWhatLoadingAPictureTakes) {
    const auto probe = [](const QByteArray& bytes) { return ProbePicture(MemorySource(bytes)); };
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

// A file that reads as its first bytes and zeros after them, as a sparse file does, counting
// what is read.
class SparseSource final : public ByteSource {
  public:
    SparseSource(const QByteArray& head, std::int64_t size) : ByteSource(size), head_(head) {}
    std::int64_t read(std::int64_t position, char* out, std::int64_t count) const override {
        const std::int64_t n = std::clamp<std::int64_t>(size() - position, 0, count);
        std::memset(out, 0, std::size_t(n));
        if (position < head_.size()) {
            std::memcpy(out, head_.constData() + position,
                        std::size_t(std::min<std::int64_t>(n, head_.size() - position)));
        }
        bytesRead += n;
        return n;
    }
    mutable std::int64_t bytesRead = 0;

  private:
    QByteArray head_;
};

TEST(PictureProbe, ReadsNoFurtherThanTheRulesNeed) {
    const QByteArray jpeg = test::JpegBytes(test::SmoothImage(64, 48));
    const QByteArray start = jpeg.left(jpeg.indexOf(QByteArray::fromHex("ffdb")));
    // Larger than the loader reads: refused by its size before any byte is read.
    SparseSource huge(start, 2LL << 30);
    EXPECT_TRUE(ProbePicture(huge).refusal.contains(QStringLiteral("文件过大")));
    EXPECT_EQ(huge.bytesRead, 0);
    // Within the size, but no marker follows the first blocks: the walk gives up within a
    // megabyte or so rather than reading on to the end.
    SparseSource empty(start, 900LL << 20);
    EXPECT_FALSE(ProbePicture(empty).size.isValid());
    EXPECT_LT(empty.bytesRead, 2 << 20);
}

}  // namespace
}  // namespace lanxi
