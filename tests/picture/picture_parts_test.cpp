// Parts and reductions of pictures, and the bands large pixel work is shared out in.
#include <gtest/gtest.h>

#include <QPainter>
#include <atomic>
#include <memory>
#include <mutex>

#include "picture/picture.h"
#include "picture/picture_frame.h"
#include "tests/support/images.h"

namespace lanxi {
namespace {

bool sharesPixels(const StdPicture& part, const StdPicture& whole) {
    const uchar* p = part.image().constBits();
    const uchar* begin = whole.image().constBits();
    return p >= begin && p < begin + whole.image().sizeInBytes();
}

TEST(PicturePart, HoldsExactlyTheRectangleWhetherSharedOrCopied) {
    const QImage pattern = test::PatternImage(400, 300);
    auto whole = std::make_unique<StdPicture>(pattern);
    const QRect large(30, 20, 350, 250);  // most of the picture: shares its pixels
    const QRect small(100, 100, 40, 30);  // copied: it must not keep the whole picture alive
    const StdPicture big = whole->part(large);
    const StdPicture little = whole->part(small);
    EXPECT_TRUE(sharesPixels(big, *whole));
    EXPECT_FALSE(sharesPixels(little, *whole));
    EXPECT_EQ(big.image(), pattern.copy(large));
    EXPECT_EQ(little.image(), pattern.copy(small));
    // The shared part outlives the picture object it came from.
    whole.reset();
    EXPECT_EQ(big.image(), pattern.copy(large));
    // A part is a picture like any other: it can be reduced and changed copies do not leak back.
    EXPECT_EQ(big.reduced(1).size(), QSize(175, 125));
    QImage changed = big.image();
    changed.setPixel(0, 0, qRgb(1, 2, 3));
    EXPECT_EQ(big.image(), pattern.copy(large));
}

TEST(PicturePart, ARectangleOutsideThePictureGivesNothing) {
    const StdPicture picture(test::PatternImage(40, 30));
    EXPECT_TRUE(picture.part(QRect(30, 0, 11, 10)).isEmpty());
    EXPECT_TRUE(picture.part(QRect(0, 0, 0, 10)).isEmpty());
    EXPECT_TRUE(picture.part(QRect(-1, 0, 5, 5)).isEmpty());
    EXPECT_TRUE(StdPicture().part(QRect(0, 0, 1, 1)).isEmpty());
}

// The average of each 2 x 2 block, rounded; the odd last row and column averaged alone.
QImage halvedByHand(const QImage& src) {
    QImage out((src.width() + 1) / 2, (src.height() + 1) / 2, QImage::Format_RGB32);
    for (int y = 0; y < out.height(); ++y) {
        for (int x = 0; x < out.width(); ++x) {
            const int x1 = std::min(2 * x + 1, src.width() - 1);
            const int y1 = std::min(2 * y + 1, src.height() - 1);
            const QRgb a = src.pixel(2 * x, 2 * y), b = src.pixel(x1, 2 * y),
                       c = src.pixel(2 * x, y1), d = src.pixel(x1, y1);
            out.setPixel(x, y,
                         qRgb((qRed(a) + qRed(b) + qRed(c) + qRed(d) + 2) / 4,
                              (qGreen(a) + qGreen(b) + qGreen(c) + qGreen(d) + 2) / 4,
                              (qBlue(a) + qBlue(b) + qBlue(c) + qBlue(d) + 2) / 4));
        }
    }
    return out;
}

TEST(PictureReduction, AveragesEveryBlockAcrossTheBands) {
    // Large enough to be shared out among the cores, with an odd width and height.
    const QImage pattern = test::PatternImage(1601, 1203);
    const StdPicture picture(pattern);
    const QImage half = picture.reduced(1);
    EXPECT_EQ(half, halvedByHand(pattern));
    EXPECT_EQ(picture.reduced(2), halvedByHand(half));
}

TEST(ForEachBand, CoversEveryRowOnce) {
    for (const auto& [rows, pixels] : {std::pair{0, 0LL},
                                       {1, 100LL},
                                       {7, 50'000'000LL},
                                       {1000, 10'000LL},
                                       {3333, 40'000'000LL}}) {
        std::vector<std::atomic<int>> seen(rows);
        std::mutex m;
        int calls = 0;
        ForEachBand(rows, pixels, [&](int first, int last) {
            for (int r = first; r < last; ++r) {
                ++seen[r];
            }
            std::lock_guard lock(m);
            ++calls;
        });
        for (int r = 0; r < rows; ++r) {
            EXPECT_EQ(seen[r], 1) << rows << " rows, row " << r;
        }
        EXPECT_GE(calls, 1);
        if (pixels < 100'000) {
            EXPECT_EQ(calls, 1) << "small work stays in one band";
        }
    }
}

TEST(FrameImage, ALargeImageIsTheSameInEveryBand) {
    QWidget container;
    PictureFrame frame(&container);
    frame.setScaleMode(3);
    frame.setWidth(1500.0f * 15);
    frame.setHeight(1400.0f * 15);
    const QImage pattern = test::PatternImage(700, 650);
    frame.setPicture(StdPicture(pattern));
    // Exact copies at several places, across the rows where bands meet.
    frame.PaintPicture(StdPicture(pattern), 750, 0, 700, 650, 0, 0, 700, 650);
    frame.PaintPicture(StdPicture(pattern), 300, 690, 700, 650, 0, 0, 700, 650);
    const QImage image = frame.Image().image();
    ASSERT_EQ(image.size(), QSize(1500, 1400));
    EXPECT_EQ(image.copy(750, 0, 700, 650), pattern);
    EXPECT_EQ(image.copy(300, 690, 700, 650), pattern);
    EXPECT_EQ(image.copy(0, 0, 300, 600), pattern.copy(0, 0, 300, 600));
    EXPECT_EQ(image.pixel(1400, 1300), frame.BackColor().rgb());

    // A smooth enlargement shows no seam between the bands: each row is close to its
    // neighbours, as in the picture.
    const QImage smooth = test::SmoothImage(500, 467);
    frame.Cls();
    frame.PaintPicture(StdPicture(smooth), 0, 0, 1500, 1400, 0, 0, 500, 467);
    const QImage enlarged = frame.Image().image();
    const QImage expected =
        smooth.scaled(1500, 1400, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    EXPECT_LT(test::MaxDifference(enlarged, expected), 8);
}

TEST(FrameImage, ShrinkingOneSideAveragesItWhileTheOtherIsEnlarged) {
    QWidget container;
    PictureFrame frame(&container);
    frame.setScaleMode(3);
    frame.setWidth(100.0f * 15);
    frame.setHeight(300.0f * 15);
    // Columns one pixel wide across (green on and off), bands four rows high down (blue).
    QImage lines(750, 100, QImage::Format_RGB32);
    for (int y = 0; y < 100; ++y) {
        for (int x = 0; x < 750; ++x) {
            lines.setPixel(x, y, qRgb(0, x % 2 ? 255 : 0, (y / 4) % 2 ? 255 : 0));
        }
    }
    // 7.5 times smaller across, three times larger down.
    frame.PaintPicture(StdPicture(lines), 0, 0, 100, 300, 0, 0, 750, 100);
    const QImage image = frame.Image().image();
    for (int band = 0; band < 25; band += 3) {
        const int y = 12 * band + 6;  // the middle of the band, enlarged
        for (int x = 3; x < 97; x += 11) {
            // 7.5 columns hold four of one kind and three and a half of the other.
            EXPECT_NEAR(qGreen(image.pixel(x, y)), 128, 10) << x << "," << y;
            EXPECT_NEAR(qBlue(image.pixel(x, y)), band % 2 ? 255 : 0, 40) << x << "," << y;
        }
    }
}

}  // namespace
}  // namespace lanxi
