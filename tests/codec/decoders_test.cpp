// PNG, WebP and HEIF through our own decoders: every kind of picture each format stores comes out
// as its pixels, damaged and truncated files as a grey-filled picture or a reason, and headers
// that claim what their data cannot hold are refused before any decoding.
#include <gtest/gtest.h>

#include <zlib.h>
#include <QtEndian>
#include <chrono>
#include <thread>

#include "base/errors.h"
#include "codec/jpeg_decode.h"
#include "codec/loader.h"
#include "codec/picture_probe.h"
#include "tests/support/cpu_time.h"
#include "tests/support/formats.h"
#include "tests/support/images.h"

namespace lanxi {
namespace {

using test::PngMaking;

struct Outcome {
    QImage image;  // null when refused
    QString reason;
    bool damaged = false;
    std::int64_t ms = 0;
};

Outcome decode(const QByteArray& bytes) {
    Outcome o;
    LoadControl control;
    const std::int64_t start = test::CpuMilliseconds();
    try {
        o.image = DecodePicture(bytes, &control).image();
        o.damaged = control.damaged;
    } catch (const Error& e) {
        o.reason = e.message();
    }
    o.ms = test::CpuMilliseconds() - start;
    return o;
}

// What the loader makes of a picture with transparency: laid over white.
QImage overWhite(const QImage& image) {
    return StdPicture(image).image();
}

// Grey levels a PNG of `depth` bits holds exactly, in a pattern.
QImage greyLevels(int width, int height, int depth) {
    QImage image(width, height, QImage::Format_RGB32);
    const int levels = 1 << std::min(depth, 8);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int v = ((x * 3 + y * 5) % levels) * 255 / (levels - 1);
            image.setPixel(x, y, qRgb(v, v, v));
        }
    }
    return image;
}

// A few colours, some of them partly transparent, as a palette holds them.
QImage fewColours(int width, int height, int count, bool alpha) {
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int i = (x / 3 + y) % count;
            image.setPixel(
                x, y, qRgba(30 + i * 50, 200 - i * 40, 90 + i * 30, alpha ? 255 - i * 60 : 255));
        }
    }
    return image;
}

// A pattern with transparency from nothing to full.
QImage fading(int width, int height) {
    QImage image = test::PatternImage(width, height).convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const QRgb p = image.pixel(x, y);
            image.setPixel(x, y, qRgba(qRed(p), qGreen(p), qBlue(p), (x * 255) / (width - 1)));
        }
    }
    return image;
}

TEST(PngDecode, EveryColourTypeDepthAndInterlaceGivesItsPixels) {
    const QImage pattern = test::PatternImage(37, 23);
    const QImage faded = fading(37, 23);
    QImage keyed = pattern;  // the first pixel's colour is the transparent one
    for (int y = 0; y < keyed.height(); ++y) {
        for (int x = 0; x < keyed.width(); ++x) {
            if (keyed.pixel(x, y) == pattern.pixel(0, 0)) {
                keyed.setPixel(x, y, qRgb(255, 255, 255));
            }
        }
    }
    struct Case {
        const char* what;
        QImage source;
        PngMaking how;
        QImage expected;
    } cases[] = {
        {"RGB 8", pattern, {PngMaking::Rgb, 8}, pattern},
        {"RGB 16", pattern, {PngMaking::Rgb, 16}, pattern},
        {"RGBA 8", faded, {PngMaking::RgbAlpha, 8}, overWhite(faded)},
        {"RGBA 16 interlaced", faded, {PngMaking::RgbAlpha, 16, true}, overWhite(faded)},
        {"grey 1", greyLevels(37, 23, 1), {PngMaking::Grey, 1}, greyLevels(37, 23, 1)},
        {"grey 4 interlaced",
         greyLevels(37, 23, 4),
         {PngMaking::Grey, 4, true},
         greyLevels(37, 23, 4)},
        {"grey 16", greyLevels(37, 23, 8), {PngMaking::Grey, 16}, greyLevels(37, 23, 8)},
        {"grey and alpha 8",
         faded,
         {PngMaking::GreyAlpha, 8},
         overWhite(faded.convertToFormat(QImage::Format_Grayscale8)
                       .convertToFormat(QImage::Format_RGB32))},
        {"palette 8",
         fewColours(37, 23, 5, false),
         {PngMaking::Palette, 8},
         fewColours(37, 23, 5, false)},
        {"palette 2 with alpha",
         fewColours(37, 23, 4, true),
         {PngMaking::Palette, 2, false, true},
         overWhite(fewColours(37, 23, 4, true))},
        {"palette 4 interlaced",
         fewColours(37, 23, 5, false),
         {PngMaking::Palette, 4, true},
         fewColours(37, 23, 5, false)},
        {"RGB with a transparent colour", pattern, {PngMaking::Rgb, 8, false, true}, keyed},
        {"sRGB chunk", pattern, {PngMaking::Rgb, 8, false, false, {}, true}, pattern},
    };
    // The grey-and-alpha picture's grey is its green channel.
    cases[7].expected = [&] {
        QImage grey = faded;
        for (int y = 0; y < grey.height(); ++y) {
            for (int x = 0; x < grey.width(); ++x) {
                const QRgb p = grey.pixel(x, y);
                grey.setPixel(x, y, qRgba(qGreen(p), qGreen(p), qGreen(p), qAlpha(p)));
            }
        }
        return overWhite(grey);
    }();
    for (const Case& c : cases) {
        const Outcome o = decode(test::MakePng(c.source, c.how));
        ASSERT_FALSE(o.image.isNull()) << c.what << ": " << o.reason;
        EXPECT_EQ(o.image.format(), QImage::Format_RGB32) << c.what;
        EXPECT_EQ(test::MaxDifference(o.image, c.expected.convertToFormat(QImage::Format_RGB32)), 0)
            << c.what;
        EXPECT_FALSE(o.damaged) << c.what;
    }
}

// A PNG's rows as stored: its IDAT data replaced, the rest kept.
QByteArray withIdat(const QByteArray& png, const QByteArray& data) {
    const qsizetype at = png.indexOf("IDAT") - 4;
    const qsizetype end = png.indexOf("IEND") - 4;
    return png.left(at) + test::PngChunk("IDAT", data) + png.mid(end);
}

QByteArray zlibOf(const QByteArray& raw) {
    uLongf size = compressBound(uLong(raw.size()));
    QByteArray out(qsizetype(size), Qt::Uninitialized);
    compress2(reinterpret_cast<Bytef*>(out.data()), &size,
              reinterpret_cast<const Bytef*>(raw.constData()), uLong(raw.size()), 9);
    out.truncate(qsizetype(size));
    return out;
}

QByteArray withSize(QByteArray png, quint32 width, quint32 height) {
    QByteArray ihdr = png.mid(16, 13);
    qToBigEndian(width, ihdr.data());
    qToBigEndian(height, ihdr.data() + 4);
    return png.left(8) + test::PngChunk("IHDR", ihdr) + png.mid(33);
}

TEST(PngDecode, DamagedTruncatedAndBombFilesAreKeptGreyOrRefusedQuickly) {
    const QImage photo = test::PhotoImage(200, 160);
    const QByteArray png = test::MakePng(photo, {});
    const QByteArray interlaced = test::MakePng(photo, {PngMaking::Rgb, 8, true});
    QByteArray badHeader = png;
    badHeader[20] = char(badHeader[20] ^ 0x40);  // IHDR's CRC no longer matches
    // 16000 x 15000 of RGB claimed over a few hundred bytes: 720 MB of rows that no deflate
    // stream this short can hold.
    const QByteArray bomb = withIdat(withSize(png, 16000, 15000), zlibOf(QByteArray(258'000, 0)));
    struct Case {
        const char* what;
        QByteArray bytes;
        const char* reason;  // empty: decoded, damaged
    } cases[] = {
        {"cut at 90 %", png.left(png.size() * 9 / 10), ""},
        {"cut at 30 %", png.left(png.size() * 3 / 10), "不完整"},
        {"interlaced, cut at 90 %", interlaced.left(interlaced.size() * 9 / 10), "不完整"},
        {"rows that are no deflate data", withIdat(png, QByteArray(5000, char(0x5a))), "已损坏"},
        {"damaged header", badHeader, "文件头已损坏"},
        {"a bomb's header over a short stream", bomb, "不完整"},
        {"too wide", withSize(png, 70000, 10), "过大"},
    };
    for (const Case& c : cases) {
        const Outcome o = decode(c.bytes);
        EXPECT_LT(o.ms, 1000) << c.what;
        if (*c.reason != '\0') {
            EXPECT_TRUE(o.image.isNull()) << c.what;
            EXPECT_TRUE(o.reason.contains(QString::fromUtf8(c.reason)))
                << c.what << ": " << o.reason;
            continue;
        }
        ASSERT_FALSE(o.image.isNull()) << c.what << ": " << o.reason;
        EXPECT_TRUE(o.damaged) << c.what;
        EXPECT_EQ(o.image.copy(0, 0, 200, 80), photo.copy(0, 0, 200, 80)) << c.what;
        EXPECT_EQ(o.image.pixel(199, 159), qRgb(128, 128, 128)) << c.what;
    }
    // A true bomb, 240 megapixels of nothing in a few kilobytes, is a picture like any other of
    // its size: let through at the full cost, which the probe foretells.
    QByteArray zeros(15000 * (1 + 2000), 0);
    const QByteArray flat =
        withIdat(test::MakePng(greyLevels(16, 16, 1), {PngMaking::Grey, 1}), zlibOf(zeros));
    const PictureFootprint f = ProbePicture(MemorySource(withSize(flat, 16000, 15000)));
    EXPECT_EQ(f.refusal, QString());
    EXPECT_GE(f.memoryBytes, 16000LL * 15000 * 4);
}

TEST(WebpDecode, LossyLosslessAlphaAndAnAnimationsFirstFrame) {
    const QImage smooth = test::SmoothImage(64, 48);
    const QImage pattern = test::PatternImage(40, 30);
    const QImage faded = fading(40, 30);
    QImage canvas(48, 32, QImage::Format_ARGB32);
    canvas.fill(Qt::transparent);
    const QImage first = test::PatternImage(20, 14);
    for (int y = 0; y < first.height(); ++y) {
        for (int x = 0; x < first.width(); ++x) {
            canvas.setPixel(10 + x, 6 + y, first.pixel(x, y));
        }
    }
    QImage second(48, 32, QImage::Format_RGB32);
    second.fill(qRgb(0, 0, 255));
    struct Case {
        const char* what;
        QByteArray bytes;
        QImage expected;
        double meanError;
    } cases[] = {
        {"lossy", test::MakeWebp(smooth, false, 90), smooth, 2.5},
        {"lossless", test::MakeWebp(pattern, true), pattern, 0},
        {"lossless with alpha", test::MakeWebp(faded, true), overWhite(faded), 0},
        {"lossy with alpha", test::MakeWebp(fading(64, 48), false, 95), overWhite(fading(64, 48)),
         6},
        {"animation", test::AnimatedWebp({48, 32}, first, {10, 6}, {second}), overWhite(canvas), 0},
    };
    for (const Case& c : cases) {
        const Outcome o = decode(c.bytes);
        ASSERT_FALSE(o.image.isNull()) << c.what << ": " << o.reason;
        ASSERT_EQ(o.image.size(), c.expected.size()) << c.what;
        const QImage expected = c.expected.convertToFormat(QImage::Format_RGB32);
        if (c.meanError == 0) {
            EXPECT_EQ(test::MaxDifference(o.image, expected), 0) << c.what;
        } else {
            EXPECT_LT(test::MeanDifference(o.image, expected), c.meanError) << c.what;
        }
    }

    // Cut short, or claiming more than its data holds or than any picture we open. (Garbled lossy
    // data has no check: it decodes to other colours.)
    const QByteArray lossy = test::MakeWebp(test::PhotoImage(160, 120), false, 90);
    QByteArray garbled = lossy;
    for (qsizetype i = 40; i < garbled.size(); i += 5) {
        garbled[i] = char(garbled[i] ^ 0x33);
    }
    QByteArray huge = test::MakeWebp(pattern, true, 90, QByteArray(16, 'p'));
    for (const int at : {24, 27}) {  // the canvas's width and height less one, 24 bits each
        huge[at] = char(16382 & 0xff), huge[at + 1] = char(16382 >> 8), huge[at + 2] = 0;
    }
    QByteArray claiming = lossy;  // the frame header says 15000 x 15000 over 160 x 120's data
    qToLittleEndian(quint16(15000), claiming.data() + 26);
    qToLittleEndian(quint16(15000), claiming.data() + 28);
    for (const auto& [what, bytes] :
         {std::pair{"cut in half", lossy.left(lossy.size() / 2)}, std::pair{"16383 x 16383", huge},
          std::pair{"claims 15000 x 15000", claiming},
          std::pair{"only the header", lossy.left(30)}}) {
        const Outcome o = decode(bytes);
        EXPECT_TRUE(o.image.isNull()) << what;
        EXPECT_FALSE(o.reason.isEmpty()) << what;
        EXPECT_LT(o.ms, 1000) << what;
    }
    EXPECT_TRUE(decode(huge).reason.contains(QStringLiteral("16383 × 16383")));
    EXPECT_LT(decode(garbled).ms, 1000);
}

TEST(HeifDecode, HeicAndAvifShowTurnedAsTheirBoxesSay) {
    // Four flat quarters, so that a turn or a mirror shows through the coding's loss.
    QImage stored(64, 32, QImage::Format_RGB32);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 64; ++x) {
            stored.setPixel(x, y,
                            x < 32 ? (y < 16 ? qRgb(220, 30, 30) : qRgb(30, 200, 40))
                                   : (y < 16 ? qRgb(30, 40, 220) : qRgb(230, 220, 40)));
        }
    }
    const QByteArray plain = test::MakeHeif(stored, {});
    if (plain.isEmpty()) {
        GTEST_SKIP() << "libheif has no HEVC encoder here";
    }
    for (int orientation = 1; orientation <= 8; ++orientation) {
        const Outcome o =
            decode(orientation == 1 ? plain : test::MakeHeif(stored, {false, orientation}));
        ASSERT_FALSE(o.image.isNull()) << orientation << ": " << o.reason;
        EXPECT_LT(test::MeanDifference(o.image, Orient(stored, orientation)), 6) << orientation;
    }
    const QImage smooth = test::SmoothImage(96, 64);
    const QImage tall = test::SmoothImage(256, 512);
    test::HeifMaking sliced;
    sliced.slices = 4;
    const QImage faded = fading(64, 48);
    struct Case {
        const char* what;
        QByteArray bytes;
        QImage expected;
    } cases[] = {
        {"HEIC", test::MakeHeif(smooth, {}), smooth},
        {"HEIC in four slices", test::MakeHeif(tall, sliced), tall},
        {"HEIC with alpha", test::MakeHeif(faded, {false, 1, 95}), overWhite(faded)},
        {"AVIF", test::MakeHeif(smooth, {true}), smooth},
    };
    for (const Case& c : cases) {
        if (c.bytes.isEmpty()) {
            continue;  // no AV1 encoder here
        }
        const Outcome o = decode(c.bytes);
        ASSERT_FALSE(o.image.isNull()) << c.what << ": " << o.reason;
        EXPECT_LT(test::MeanDifference(o.image, c.expected.convertToFormat(QImage::Format_RGB32)),
                  4)
            << c.what;
    }
    QByteArray garbled = plain;
    for (qsizetype i = garbled.size() / 2; i < garbled.size(); i += 3) {
        garbled[i] = char(garbled[i] ^ 0x5a);
    }
    // A grid whose description, read from past its data, claims a canvas of 14441 x 27759 for
    // an image of 16 x 24: libheif would fill that canvas for half a minute.
    const QByteArray grid = test::ReadBytes(QStringLiteral(LANXI_FUZZ_CORPUS) +
                                            QStringLiteral("/probe/heif-grid-canvas"));
    for (const auto& [what, bytes] :
         {std::pair{"cut in half", plain.left(plain.size() / 2)},
          std::pair{"data garbled", garbled}, std::pair{"only its type box", plain.left(40)},
          std::pair{"a grid larger than its image", grid}}) {
        const Outcome o = decode(bytes);
        EXPECT_TRUE(!o.image.isNull() || !o.reason.isEmpty()) << what;
        EXPECT_LT(o.ms, 1000) << what;
    }
    EXPECT_FALSE(decode(plain.left(40)).reason.isEmpty());
    EXPECT_TRUE(decode(grid).reason.contains(QStringLiteral("文件结构已损坏")));
}

// A phone's grid decodes to the same pixels on several threads as on one, and a stop ends its
// decoding between two tiles, long before the last.
TEST(HeifDecode, AGridDecodesAlikeOnSeveralThreadsAndStopsBetweenItsTiles) {
    const QByteArray phone = test::PhoneHeic();
    if (phone.isEmpty()) {
        GTEST_SKIP() << "libheif has no HEVC encoder here (the Windows build)";
    }
    const Outcome whole = decode(phone);
    ASSERT_FALSE(whole.image.isNull()) << whole.reason;
    LoadControl several;
    several.threads = 4;
    EXPECT_TRUE(DecodePicture(phone, &several).image() == whole.image);

    // The stop is asked once the decoding has done a fifth of the whole's work; without it,
    // libheif would decode every tile (three quarters of the whole's work: our rows and their
    // colours are not made then).
    Stop stop;
    LoadControl stopped;
    stopped.stop = &stop;
    const std::int64_t start = test::CpuMilliseconds();
    std::thread asker([&] {
        while (test::CpuMilliseconds() - start < whole.ms / 5) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        stop.request();
    });
    QString reason;
    try {
        DecodePicture(phone, &stopped);
    } catch (const Error& e) {
        reason = e.message();
    }
    const std::int64_t spent = test::CpuMilliseconds() - start;
    asker.join();
    EXPECT_EQ(reason, QStringLiteral("已停止"));
    EXPECT_LT(spent, whole.ms / 2);
}

}  // namespace
}  // namespace lanxi
