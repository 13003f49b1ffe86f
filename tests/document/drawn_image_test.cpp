// The drawn image without a frame: what is painted, what is kept and what the screen shows.
#include <gtest/gtest.h>

#include <QPainter>

#include "document/drawn_image.h"
#include "tests/support/images.h"

namespace lanxi {
namespace {

const QRgb kBackground = qRgb(240, 240, 240);

QImage solid(int w, int h, QRgb color) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

DrawnImage sized(int w, int h) {
    DrawnImage drawing;
    drawing.resize(QSize(w, h));
    drawing.setBackground(QColor(kBackground));
    return drawing;
}

// What the screen shows of the part `area`.
QImage shown(const DrawnImage& drawing, const QRect& area) {
    QImage image(area.size(), QImage::Format_RGB32);
    QPainter painter(&image);
    painter.translate(-area.topLeft());
    drawing.render(painter, area);
    return image;
}

TEST(DrawnImage, PaintingGoesOverTheAssignedPictureUntilClearedOrReassigned) {
    DrawnImage drawing = sized(200, 200);
    const StdPicture assigned(solid(100, 100, qRgb(10, 20, 30)));
    const StdPicture painted(solid(50, 50, qRgb(200, 100, 0)));
    drawing.setPicture(assigned);
    drawing.paint(painted, QRectF(0, 0, 50, 50), QRectF(0, 0, 50, 50));
    const QImage image = drawing.image().image();
    ASSERT_EQ(image.size(), QSize(200, 200));
    EXPECT_EQ(image.pixel(10, 10), qRgb(200, 100, 0));
    EXPECT_EQ(image.pixel(70, 70), qRgb(10, 20, 30));
    EXPECT_EQ(image.pixel(150, 150), kBackground);

    drawing.clear();
    EXPECT_EQ(drawing.image().image().pixel(10, 10), qRgb(10, 20, 30));
    drawing.paint(painted, QRectF(0, 0, 50, 50), QRectF(0, 0, 50, 50));
    drawing.setPicture(assigned);
    EXPECT_EQ(drawing.paintingCount(), 0);
    EXPECT_EQ(drawing.image().image().pixel(10, 10), qRgb(10, 20, 30));
}

TEST(DrawnImage, PaintingsHiddenUnderALaterPaintAreDropped) {
    DrawnImage drawing = sized(200, 200);
    const StdPicture picture(solid(10, 10, qRgb(1, 1, 1)));
    for (int i = 0; i < 50; ++i) {
        drawing.paint(picture, QRectF(0, 0, 200, 200), QRectF(0, 0, 10, 10));
    }
    EXPECT_EQ(drawing.paintingCount(), 1);
    drawing.paint(picture, QRectF(0, 0, 20, 20), QRectF(0, 0, 10, 10));  // covers not the first
    EXPECT_EQ(drawing.paintingCount(), 2);
}

TEST(DrawnImage, ResizingKeepsTheDrawingAnchoredAndCutsWhatFellOutside) {
    DrawnImage drawing = sized(200, 200);
    drawing.setPicture(StdPicture(solid(60, 60, qRgb(0, 0, 200))));
    drawing.paint(StdPicture(solid(10, 10, qRgb(200, 0, 0))), QRectF(0, 0, 200, 200),
                  QRectF(0, 0, 10, 10));
    drawing.resize(QSize(50, 50));
    EXPECT_EQ(drawing.image().image().size(), QSize(50, 50));
    drawing.resize(QSize(200, 200));
    const QImage image = drawing.image().image();
    EXPECT_EQ(image.pixel(25, 25), qRgb(200, 0, 0));  // kept
    // Beyond the cut the assigned picture and the background show again.
    EXPECT_EQ(image.pixel(55, 55), qRgb(0, 0, 200));
    EXPECT_EQ(image.pixel(150, 150), kBackground);
}

TEST(DrawnImage, ShrinkingAveragesInsteadOfSkippingPixels) {
    QImage stripes(400, 100, QImage::Format_RGB32);
    for (int x = 0; x < 400; ++x) {
        for (int y = 0; y < 100; ++y) {
            stripes.setPixel(x, y, x % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
        }
    }
    DrawnImage drawing = sized(100, 25);
    drawing.paint(StdPicture(stripes), QRectF(0, 0, 100, 25), QRectF(0, 0, 400, 100));
    const QImage image = drawing.image().image();
    // The screen, too, shows grey rather than stripes or black.
    const QImage screen = shown(drawing, QRect(0, 0, 100, 25));
    for (int x = 5; x < 95; x += 7) {
        EXPECT_NEAR(qGray(image.pixel(x, 12)), 128, 12) << x;
        EXPECT_NEAR(qGray(screen.pixel(x, 12)), 128, 40) << x;
    }
    // What is kept is the picture averaged to exactly its place, also where the scale's
    // rounding leaves the place a hair larger than its pixels (25 rows to 7).
    const QImage pattern = test::PatternImage(100, 25);
    EXPECT_EQ(DrawnImage::Of(StdPicture(pattern)).scaled(QSize(50, 7)).image().image(),
              pattern.scaled(50, 7, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}

TEST(DrawnImage, ALargeImageIsTheSameInEveryBand) {
    DrawnImage drawing = sized(1500, 1400);
    const QImage pattern = test::PatternImage(700, 650);
    drawing.setPicture(StdPicture(pattern));
    // Exact copies at several places, across the rows where bands meet.
    drawing.paint(StdPicture(pattern), QRectF(750, 0, 700, 650), QRectF(0, 0, 700, 650));
    drawing.paint(StdPicture(pattern), QRectF(300, 690, 700, 650), QRectF(0, 0, 700, 650));
    const QImage image = drawing.image().image();
    ASSERT_EQ(image.size(), QSize(1500, 1400));
    EXPECT_EQ(image.copy(750, 0, 700, 650), pattern);
    EXPECT_EQ(image.copy(300, 690, 700, 650), pattern);
    EXPECT_EQ(image.copy(0, 0, 300, 600), pattern.copy(0, 0, 300, 600));
    EXPECT_EQ(image.pixel(1400, 1300), kBackground);

    // A smooth enlargement shows no seam between the bands: each row is close to its
    // neighbours, as in the picture.
    const QImage smooth = test::SmoothImage(500, 467);
    drawing.clear();
    drawing.paint(StdPicture(smooth), QRectF(0, 0, 1500, 1400), QRectF(0, 0, 500, 467));
    const QImage enlarged = drawing.image().image();
    const QImage expected =
        smooth.scaled(1500, 1400, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    EXPECT_LT(test::MaxDifference(enlarged, expected), 8);
}

TEST(DrawnImage, ShrinkingOneSideAveragesItWhileTheOtherIsEnlarged) {
    // Columns one pixel wide across (green on and off), bands four rows high down (blue).
    QImage lines(750, 100, QImage::Format_RGB32);
    for (int y = 0; y < 100; ++y) {
        for (int x = 0; x < 750; ++x) {
            lines.setPixel(x, y, qRgb(0, x % 2 ? 255 : 0, (y / 4) % 2 ? 255 : 0));
        }
    }
    // 7.5 times smaller across, three times larger down.
    DrawnImage drawing = sized(100, 300);
    drawing.paint(StdPicture(lines), QRectF(0, 0, 100, 300), QRectF(0, 0, 750, 100));
    const QImage image = drawing.image().image();
    for (int band = 0; band < 25; band += 3) {
        const int y = 12 * band + 6;  // the middle of the band, enlarged
        for (int x = 3; x < 97; x += 11) {
            // 7.5 columns hold four of one kind and three and a half of the other.
            EXPECT_NEAR(qGreen(image.pixel(x, y)), 128, 10) << x << "," << y;
            EXPECT_NEAR(qBlue(image.pixel(x, y)), band % 2 ? 255 : 0, 40) << x << "," << y;
        }
    }
}

// A part of an image is what the whole shows there, pixel for pixel, however strongly its
// paintings shrink and with either reduction: a part cut from a reduction lies on the whole
// reduction's grid.
TEST(DrawnImage, APartShowsWhatTheWholeShowsThere) {
    const StdPicture pattern(test::PatternImage(1600, 1200));
    const StdPicture photo(test::PhotoImage(900, 700));
    struct Case {
        const char* what;
        DrawnImage drawing;
    };
    std::vector<Case> cases;
    cases.push_back({"a picture reduced to 700 x 525", DrawnImage::Of(pattern).scaled({700, 525})});
    cases.push_back({"to 613 x 457, no whole ratio", DrawnImage::Of(pattern).scaled({613, 457})});
    DrawnImage painted = sized(640, 480);
    painted.setPicture(photo);
    painted.paint(pattern, QRectF(20.5, 10.25, 401.3, 300.7), QRectF(100, 50, 1400, 1100));
    painted.paint(photo, QRectF(300, 200, 600, 500), QRectF(0, 0, 300, 250));  // enlarged
    cases.push_back({"a cut shrunk at fractions over a picture, an enlargement", painted});
    cases.push_back({"that scaled again", painted.scaled({500, 377})});
    for (const Reduction reduction : {Reduction::Area, Reduction::Lanczos3}) {
        for (const Case& c : cases) {
            const QImage whole = c.drawing.image(reduction).image();
            const QSize size = c.drawing.size();
            for (const QRect& area : {QRect(QPoint(0, 0), size), QRect(150, 120, 200, 150),
                                      QRect(size.width() - 97, 33, 97, 61), QRect(3, 5, 1, 1)}) {
                const QImage part = c.drawing.part(area).image(reduction).image();
                ASSERT_EQ(part.size(), area.size()) << c.what;
                EXPECT_LE(test::MaxDifference(part, whole.copy(area)), 2)
                    << c.what << " at " << area.x() << "," << area.y() << ", " << int(reduction);
            }
        }
    }
}

}  // namespace
}  // namespace lanxi
