// The sharp reduction of fitted copies: what it keeps and what it cuts off, measured on waves and
// edges as a filter is measured.
#include <gtest/gtest.h>

#include <QTransform>
#include <cmath>
#include <numbers>

#include "document/resample.h"
#include "tests/support/images.h"

namespace lanxi {
namespace {

// Rows of a wave across: 128 + 100 sin(2π f x) in every channel, f in cycles per pixel, or a
// step from `low` to `high` at column `edge`.
QImage wave(int w, int h, double f) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int x = 0; x < w; ++x) {
        const int v = int(std::lround(128 + 100 * std::sin(2 * std::numbers::pi * f * x)));
        for (int y = 0; y < h; ++y) {
            image.setPixel(x, y, qRgb(v, v, v));
        }
    }
    return image;
}

QImage step(int w, int h, double edge, int low, int high) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const int v = x < edge ? low : high;
            image.setPixel(x, y, qRgb(v, v, v));
        }
    }
    return image;
}

// The amplitude of the wave of `f` cycles per pixel in the middle row, away from the edges.
double amplitude(const QImage& image, double f) {
    const int y = image.height() / 2, margin = 8;
    double s = 0, c = 0;
    int n = 0;
    for (int x = margin; x < image.width() - margin; ++x) {
        const double v = qGreen(image.pixel(x, y)) - 128.0;
        s += v * std::sin(2 * std::numbers::pi * f * x);
        c += v * std::cos(2 * std::numbers::pi * f * x);
        ++n;
    }
    return 2 * std::hypot(s, c) / n;
}

QImage sharp(const QImage& image, QSize size) {
    return Reduced(image, size, Reduction::Lanczos3);
}

// A windowed sinc passes what the new size can hold nearly whole and cuts off what it cannot;
// an area average (a box) softens the first and lets the second through as a false, slower wave.
// Reductions with and without the whole-factor average first, by both kernels.
TEST(SharpReduction, PassesWhatTheNewSizeHoldsAndCutsOffWhatItCannot) {
    struct Case {
        const char* what;
        Reduction kernel;
        double ratio;  // input pixels per output pixel
        double f;      // the wave, in cycles per output pixel
        double least;  // the smallest share of the wave's amplitude kept (0: none asked)
        double most;   // the largest
    };
    const double box03 = std::sin(std::numbers::pi * 0.3) / (std::numbers::pi * 0.3);  // 0.86
    const Case cases[] = {
        {"kept, 2.5 to 1", Reduction::Lanczos3, 2.5, 0.3, 0.95, 1.02},
        {"kept, 5.3 to 1 (averaged by 2 first)", Reduction::Lanczos3, 5.3, 0.3, 0.93, 1.02},
        {"half way, 2.5 to 1", Reduction::Lanczos3, 2.5, 0.45, 0.55, 0.8},
        {"cut off, 2.5 to 1", Reduction::Lanczos3, 2.5, 0.75, 0, 0.04},
        {"cut off, 5.3 to 1", Reduction::Lanczos3, 5.3, 0.75, 0, 0.04},
        {"kept by the other kernel", Reduction::MagicKernelSharp, 2.5, 0.3, 0.9, 1.05},
        {"cut off by the other kernel", Reduction::MagicKernelSharp, 2.5, 0.75, 0, 0.06},
    };
    for (const Case& c : cases) {
        const int out = 200;
        const QImage source = wave(int(std::lround(out * c.ratio)), 12, c.f / c.ratio);
        const QImage reduced = Reduced(source, QSize(out, 4), c.kernel);
        ASSERT_EQ(reduced.size(), QSize(out, 4)) << c.what;
        // What is cut off could only come back as the wave folded below the new limit.
        const double kept = amplitude(reduced, c.f < 0.5 ? c.f : 1 - c.f) / 100;
        EXPECT_GE(kept, c.least) << c.what;
        EXPECT_LE(kept, c.most) << c.what;
        if (c.f == 0.3) {
            EXPECT_GT(kept, box03 + 0.04) << c.what << ": no sharper than a box";
        }
    }

    // A hard edge: steep, with the kernel's ringing beside it and nothing further away.
    for (const auto& [what, kernel, bound] :
         {std::tuple{"Lanczos 3", Reduction::Lanczos3, 0.08},
          std::tuple{"Magic Kernel Sharp", Reduction::MagicKernelSharp, 0.08}}) {
        const QImage reduced = Reduced(step(301, 9, 150.4, 64, 192), QSize(100, 3), kernel);
        int least = 255, most = 0;
        for (int x = 0; x < 100; ++x) {
            const int v = qGreen(reduced.pixel(x, 1));
            least = std::min(least, v);
            most = std::max(most, v);
            if (std::abs(x - 50) > 4) {
                EXPECT_EQ(v, x < 50 ? 64 : 192) << what << ", column " << x;
            }
        }
        EXPECT_LT(64 - least, bound * 128) << what;
        EXPECT_LT(most - 192, bound * 128) << what;
        EXPECT_GT(most - 192, 0) << what << ": a box never rings";
        // From a tenth to nine tenths of the step within two pixels.
        int rise = 0;
        for (int x = 0; x < 100; ++x) {
            const int v = qGreen(reduced.pixel(x, 1));
            rise += v > 64 + 13 && v < 192 - 13;
        }
        EXPECT_LE(rise, 2) << what;
    }
}

// Flat pictures stay flat to the edges, at the ends of the range too (the weights sum to one and
// the result is rounded and clipped); grey stays grey; a side at the size is copied; the bands
// the rows are shared in give what the other direction gives; tiny sizes work.
TEST(SharpReduction, KeepsFlatGreyAndUnchangedPicturesAsTheyAre) {
    for (const QRgb colour : {qRgb(0, 0, 0), qRgb(255, 255, 255), qRgb(128, 7, 250)}) {
        QImage flat(333, 211, QImage::Format_RGB32);
        flat.fill(colour);
        QImage expected(70, 31, QImage::Format_RGB32);
        expected.fill(colour);
        EXPECT_EQ(sharp(flat, expected.size()), expected) << std::hex << colour;
    }
    const QImage photo = test::PhotoImage(1400, 1000);
    const QImage grey = photo.convertToFormat(QImage::Format_Grayscale8);
    const QImage reduced = sharp(grey, QSize(333, 237));
    ASSERT_EQ(reduced.format(), QImage::Format_RGB32);
    for (int y = 0; y < reduced.height(); ++y) {
        for (int x = 0; x < reduced.width(); ++x) {
            const QRgb p = reduced.pixel(x, y);
            ASSERT_TRUE(qRed(p) == qGreen(p) && qGreen(p) == qBlue(p)) << x << ", " << y;
        }
    }
    const QImage rgb = photo.convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(sharp(rgb, rgb.size()), rgb);
    // Only the rows reduced: every column as the kernel makes it down a single column.
    const QImage rows = sharp(rgb, QSize(1400, 300));
    EXPECT_EQ(rows.copy(600, 0, 1, 300), sharp(rgb.copy(600, 0, 1, 1000), QSize(1, 300)));

    // Reduced across what was reduced down: the same up to the float sums' order.
    const QTransform turn = QTransform().rotate(90);
    EXPECT_LE(test::MaxDifference(
                  sharp(rgb, QSize(500, 357)),
                  sharp(rgb.transformed(turn), QSize(357, 500)).transformed(turn.inverted())),
              1);
    for (const QSize tiny : {QSize(1, 1), QSize(3, 1), QSize(1, 2)}) {
        EXPECT_EQ(sharp(rgb, tiny).size(), tiny);
        EXPECT_EQ(sharp(rgb.copy(0, 0, 1, 1), tiny).size(), tiny);
    }
    EXPECT_TRUE(sharp(rgb, QSize(0, 5)).isNull());
}

}  // namespace
}  // namespace lanxi
