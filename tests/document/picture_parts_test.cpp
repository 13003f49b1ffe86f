// Parts and reductions of pictures, and the bands large pixel work is shared out in.
#include <gtest/gtest.h>

#include <QPainter>
#include <atomic>
#include <memory>
#include <mutex>

#include "document/picture.h"
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

// What an undo history keeps of a cut: a view into the picture it was cut from while that
// picture lives, the same pixels; shown again, a small cut is a copy of its own.
TEST(PicturePart, ACutTurnsIntoAViewOfItsSourceAndBack) {
    const QImage pattern = test::PatternImage(400, 300);
    auto whole = std::make_unique<StdPicture>(pattern);
    const QRect small(100, 100, 40, 30);
    const StdPicture cut = whole->part(small);
    const StdPicture view = cut.asView();
    EXPECT_TRUE(sharesPixels(view, *whole));
    EXPECT_EQ(view.block().start, whole->block().start);
    EXPECT_EQ(view.block().bytes, pattern.sizeInBytes());
    EXPECT_EQ(view.image(), pattern.copy(small));
    const StdPicture again = view.asPart();
    EXPECT_FALSE(sharesPixels(again, *whole));
    EXPECT_EQ(again.image(), pattern.copy(small));
    EXPECT_EQ(again.asView().block().start, whole->block().start);
    // A large part is a view already, and stays one.
    const StdPicture large = whole->part(QRect(10, 10, 300, 200));
    EXPECT_TRUE(large.asView() == large && large.asPart() == large);
    // The source gone, a copy keeps its own pixels, and a view still shows its part.
    whole.reset();
    EXPECT_TRUE(cut.asView() == cut);
    EXPECT_EQ(view.asPart().image(), pattern.copy(small));
    EXPECT_TRUE(StdPicture(pattern).asView().asPart().image() == pattern);
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

}  // namespace
}  // namespace lanxi
