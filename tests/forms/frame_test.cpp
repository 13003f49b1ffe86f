#include <gtest/gtest.h>

#include <QMouseEvent>
#include <QTest>
#include <memory>

#include "base/errors.h"
#include "forms/picture_frame.h"
#include "tests/support/images.h"

namespace lanxi {
namespace {

QImage solid(int w, int h, QRgb color) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

QImage quadrants(int w, int h) {
    QImage image = solid(w, h, qRgb(255, 0, 0));
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const bool right = x >= w / 2, bottom = y >= h / 2;
            image.setPixel(x, y,
                           right ? (bottom ? qRgb(0, 0, 255) : qRgb(0, 255, 0))
                                 : (bottom ? qRgb(255, 255, 0) : qRgb(255, 0, 0)));
        }
    }
    return image;
}

class FrameTest : public ::testing::Test {
  protected:
    void SetUp() override {
        container = std::make_unique<QWidget>();
        container->resize(800, 600);
        frame = new PictureFrame(container.get());
        frame->setWidth(3000);
        frame->setHeight(3000);
        container->show();
    }
    QImage drawn() const { return frame->Image().image(); }

    std::unique_ptr<QWidget> container;
    PictureFrame* frame = nullptr;
};

TEST_F(FrameTest, SizesItselfToAnAssignedPictureInTwips) {
    frame->setAutoSize(true);
    frame->setPicture(StdPicture(solid(300, 200, qRgb(1, 2, 3))));
    EXPECT_FLOAT_EQ(frame->Width(), 4500);
    EXPECT_FLOAT_EQ(frame->Height(), 3000);
    EXPECT_EQ(frame->size(), QSize(300, 200));

    // Without AutoSize the frame keeps its size.
    frame->setAutoSize(false);
    frame->setPicture(StdPicture(solid(50, 40, qRgb(1, 2, 3))));
    EXPECT_FLOAT_EQ(frame->Width(), 4500);
}

TEST_F(FrameTest, PaintScalesByTheRatioOfDestinationToSource) {
    const StdPicture picture(quadrants(40, 40));
    for (int mode : {3, 1}) {
        frame->setScaleMode(mode);
        frame->Cls();
        const float u = mode == 3 ? 1.0f : 15.0f;
        // Destination twice the source: the 40-pixel picture covers 80 pixels.
        frame->PaintPicture(picture, 0, 0, 80 * u, 80 * u, 0, 0, 40 * u, 40 * u);
        const QImage image = drawn();
        EXPECT_EQ(image.pixel(10, 10), qRgb(255, 0, 0)) << mode;
        EXPECT_EQ(image.pixel(70, 10), qRgb(0, 255, 0)) << mode;
        EXPECT_EQ(image.pixel(10, 70), qRgb(255, 255, 0)) << mode;
        EXPECT_EQ(image.pixel(70, 70), qRgb(0, 0, 255)) << mode;
        EXPECT_EQ(image.pixel(120, 120), qRgb(240, 240, 240)) << mode;  // the face colour
    }
}

TEST_F(FrameTest, UnscaledPaintIsAnExactCopy) {
    frame->setScaleMode(3);
    const QImage pattern = test::PatternImage(120, 90);
    frame->PaintPicture(StdPicture(pattern), 0, 0, 120, 90, 0, 0, 120, 90);
    EXPECT_EQ(drawn().copy(0, 0, 120, 90), pattern);
    // What the screen shows is the same drawn image.
    EXPECT_EQ(frame->grab(QRect(0, 0, 120, 90)).toImage().convertToFormat(QImage::Format_RGB32),
              pattern);
}

TEST_F(FrameTest, RefusesInvalidValuesAndKeepsItsState) {
    EXPECT_THROW(frame->setWidth(-1), Error);
    EXPECT_THROW(frame->setHeight(std::nanf("")), Error);
    EXPECT_THROW(frame->setScaleMode(2), Error);
    EXPECT_THROW(frame->PaintPicture(StdPicture(), 0, 0, 1, 1, 0, 0, 1, 1), Error);
    EXPECT_FLOAT_EQ(frame->Width(), 3000);
    EXPECT_EQ(frame->ScaleMode(), 1);
    frame->setWidth(0);
    EXPECT_TRUE(frame->Image().isEmpty());
}

TEST_F(FrameTest, ALargeFrameCostsNoBitmapUntilItsImageIsRead) {
    frame->setScaleMode(3);
    const StdPicture picture(solid(100, 100, qRgb(9, 9, 9)));
    frame->setWidth(20000.0f * 15);
    frame->setHeight(20000.0f * 15);
    frame->PaintPicture(picture, 0, 0, 20000, 20000, 0, 0, 100, 100);
    frame->repaint();
    EXPECT_EQ(frame->grab(QRect(0, 0, 10, 10)).toImage().pixel(5, 5), qRgb(9, 9, 9));
}

struct MouseRecord {
    int kind, button, shift;
    float x, y;
};

TEST_F(FrameTest, ReportsTheMouseInInsideUnitsWithButtonAndShiftState) {
    std::vector<MouseRecord> seen;
    QObject::connect(frame, &PictureFrame::MouseDown, [&](int b, int s, float x, float y) {
        seen.push_back({0, b, s, x, y});
    });
    QObject::connect(frame, &PictureFrame::MouseMove, [&](int b, int s, float x, float y) {
        seen.push_back({1, b, s, x, y});
    });
    QObject::connect(frame, &PictureFrame::MouseUp, [&](int b, int s, float x, float y) {
        seen.push_back({2, b, s, x, y});
    });
    frame->setScaleMode(3);
    QTest::mousePress(frame, Qt::LeftButton, Qt::ShiftModifier | Qt::ControlModifier,
                      QPoint(10, 5));
    QMouseEvent move(QEvent::MouseMove, QPointF(30, 40), frame->mapToGlobal(QPointF(30, 40)),
                     Qt::NoButton, Qt::LeftButton | Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(frame, &move);
    QTest::mouseRelease(frame, Qt::RightButton, Qt::AltModifier, QPoint(30, 40));
    frame->setScaleMode(1);
    QTest::mousePress(frame, Qt::MiddleButton, Qt::NoModifier, QPoint(2, 3));

    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[0].button, 1);
    EXPECT_EQ(seen[0].shift, 3);
    EXPECT_FLOAT_EQ(seen[0].x, 10);
    EXPECT_FLOAT_EQ(seen[0].y, 5);
    EXPECT_EQ(seen[1].kind, 1);
    EXPECT_EQ(seen[1].button, 3);  // left and right held
    EXPECT_EQ(seen[2].kind, 2);
    EXPECT_EQ(seen[2].button, 2);
    EXPECT_EQ(seen[2].shift, 4);
    EXPECT_EQ(seen[3].button, 4);
    EXPECT_FLOAT_EQ(seen[3].x, 30);  // twips
    EXPECT_FLOAT_EQ(seen[3].y, 45);
}

// With the focus, a frame draws a band of the highlight colour over its edge (over the picture
// when it has no border), told apart from the crop rectangle's dotted line.
TEST_F(FrameTest, WithTheFocusItDrawsABandOverItsEdge) {
    frame->setAutoSize(true);
    const QImage grey = solid(40, 30, qRgb(128, 128, 128));
    frame->setPicture(StdPicture(grey));
    container->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(container.get()));
    frame->setFocusPolicy(Qt::StrongFocus);
    frame->setFocus();
    const QImage focused = frame->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(focused.copy(2, 2, 36, 26), grey.copy(2, 2, 36, 26));
    const QRgb highlight = frame->palette().color(QPalette::Highlight).rgb();
    EXPECT_EQ(focused.pixel(0, 0), highlight);
    EXPECT_EQ(focused.pixel(39, 28), highlight);
    frame->clearFocus();
    EXPECT_EQ(frame->grab().toImage().convertToFormat(QImage::Format_RGB32), grey);
}

TEST(BorderedFrame, ItsInsideHoldsTheChildrenAndTheMouseCoordinates) {
    QWidget window;
    window.resize(400, 400);
    PictureFrame pane(&window);
    pane.setBorderStyle(1);
    pane.Move(150, 150);
    pane.setWidth(3000);
    pane.setHeight(1500);
    PictureFrame child(pane.inside());
    child.Move(0, 0);
    child.setWidth(6000);
    child.setHeight(6000);
    window.show();

    EXPECT_EQ(pane.geometry(), QRect(10, 10, 200, 100));
    EXPECT_EQ(pane.insideWidth(), 196);
    EXPECT_EQ(child.mapTo(&pane, QPoint(0, 0)), QPoint(2, 2));
    // The child is clipped to the pane's inside, not drawn over its border.
    EXPECT_EQ(child.visibleRegion().boundingRect(), QRect(0, 0, 196, 96));

    float gotX = -1;
    QObject::connect(&pane, &PictureFrame::MouseDown, [&](int, int, float x, float) { gotX = x; });
    pane.setScaleMode(3);
    QTest::mousePress(&pane, Qt::LeftButton, Qt::NoModifier, QPoint(190, 1));
    // The press lands on the pane's top border, above the child; coordinates count from the
    // inside's corner.
    EXPECT_FLOAT_EQ(gotX, 188);
}

}  // namespace
}  // namespace lanxi
