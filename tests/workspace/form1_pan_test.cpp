// Dragging the result inside its pane, and the two copies between the frames.
#include "forms/clipboard.h"
#include "tests/workspace/workspace_fixture.h"

namespace lanxi {
namespace {

using test::Click;
using PanTest = test::WorkspaceTest;

// The pointer over the pane, where the frame sits now: a point of the frame's inside.
QPoint onFrame(const PictureFrame* frame, QPoint inPane) {
    return inPane - frame->pos();
}

TEST_F(PanTest, TheGrabbedPointStaysUnderThePointer) {
    openPicture(test::PatternImage(900, 800));
    PictureFrame* result = form.Picture1;
    ASSERT_EQ(result->pos(), QPoint(0, 0));
    const QPoint grab(10, 12);
    press(result, onFrame(result, grab));
    // The pointer goes 30 to the right and 20 down, in two moves, then back up a little.
    for (const QPoint pointer : {QPoint(25, 22), QPoint(40, 32), QPoint(38, 20)}) {
        move(result, onFrame(result, pointer));
        EXPECT_EQ(result->pos() + grab, pointer);
    }
    EXPECT_FLOAT_EQ(result->Left(), 28 * 15);
    EXPECT_FLOAT_EQ(result->Top(), 8 * 15);
    EXPECT_EQ(form.MouseDownX, 10);
    EXPECT_EQ(form.MouseDownY, 12);

    // Any other button state leaves it where it is.
    for (Qt::MouseButtons held : {Qt::MouseButtons(Qt::NoButton), Qt::MouseButtons(Qt::RightButton),
                                  Qt::LeftButton | Qt::RightButton}) {
        move(result, onFrame(result, QPoint(200, 200)), held);
        EXPECT_EQ(result->pos(), QPoint(28, 8));
    }
    // There is no bound: the frame can leave the pane.
    press(result, QPoint(1, 1));
    move(result, QPoint(-599, -499));
    EXPECT_EQ(result->pos(), QPoint(-572, -492));
}

TEST_F(PanTest, TheDraggedPositionSurvivesCutsZoomsCopiesAndOpenings) {
    openPicture(test::PatternImage(300, 200));
    press(form.Picture1, QPoint(5, 5));
    move(form.Picture1, QPoint(45, 25));
    const QPoint at = form.Picture1->pos();
    ASSERT_EQ(at, QPoint(40, 20));
    drag(form.Picture2, QPoint(10, 10), QPoint(50, 50));
    Click(form.Command1);
    Click(form.Command2);
    Click(form.Command8);
    Click(form.Command10);
    Click(form.Command4);
    openPicture(test::PatternImage(100, 100));
    EXPECT_EQ(form.Picture1->pos(), at);
}

TEST_F(PanTest, CopyToTheRightPaintsTheLeftPictureAtNaturalSize) {
    const QImage pattern = test::PatternImage(300, 200);
    openPicture(pattern);
    setInputs(QStringLiteral("100"), QStringLiteral("0"));
    drag(form.Picture2, QPoint(10, 10), QPoint(50, 50));
    Click(form.Command1);  // the right frame now shows a reduction
    const float baseWidth = form.BaseWidth;
    const QStringList shown = readouts();
    const StdPicture assigned = form.Picture1->Picture();

    Click(form.Command10);
    EXPECT_FALSE(form.Shape1->Visible());
    EXPECT_EQ(resultTwips(), QSizeF(4500, 3000));
    EXPECT_EQ(form.Picture1->Image().image(), pattern);
    // Only the drawing changed: the assigned picture, base, flag and readouts are as they were.
    EXPECT_TRUE(form.Picture1->Picture() == assigned);
    EXPECT_FLOAT_EQ(form.BaseWidth, baseWidth);
    EXPECT_EQ(readouts(), shown);
    EXPECT_EQ(form.SelectionMade, kFalse);
}

TEST_F(PanTest, CopyToTheLeftShowsTheCutAtNaturalSizeNotTheZoomedView) {
    const QImage pattern = test::PatternImage(300, 200);
    openPicture(pattern);
    drag(form.Picture2, QPoint(20, 30), QPoint(80, 70));
    Click(form.Command1);  // starts over from the whole picture: 330 x 220
    Click(form.Command4);
    EXPECT_FALSE(form.Shape1->Visible());
    EXPECT_FLOAT_EQ(form.Picture2->Width(), 4950);
    EXPECT_FLOAT_EQ(form.Picture2->Height(), 3300);
    const QImage left = form.Picture2->Image().image();
    ASSERT_EQ(left.size(), QSize(330, 220));
    // The cut (the right frame's assigned picture) at one pixel a pixel, from the corner...
    EXPECT_EQ(left.copy(0, 0, 60, 40), pattern.copy(20, 30, 60, 40));
    // ...over the opened picture, which is still the left frame's assigned picture.
    EXPECT_EQ(left.copy(60, 0, 240, 200), pattern.copy(60, 0, 240, 200));
    EXPECT_EQ(form.Picture2->Picture().image(), pattern);
}

TEST_F(PanTest, AfterCopyingToTheLeftACropCutsFromTheOpenedPicture) {
    const QImage pattern = test::PatternImage(300, 200);
    openPicture(pattern);
    // The right frame holds some other picture (from the clipboard).
    Clipboard::SetData(StdPicture(test::SmoothImage(300, 200)));
    press(form.Picture2, QPoint(1, 1));
    release(form.Picture2, QPoint(1, 1));
    Click(form.Command4);
    ASSERT_GT(test::MeanDifference(form.Picture2->Image().image(), pattern), 20);

    drag(form.Picture2, QPoint(100, 50), QPoint(160, 90));
    EXPECT_EQ(form.Picture1->Picture().image(), pattern.copy(100, 50, 60, 40));
}

TEST_F(PanTest, CopyingFromAFrameWithoutAPictureOnlyResizes) {
    const QImage pattern = test::PatternImage(300, 200);
    openPicture(pattern);
    form.Picture1->setWidth(1500);
    form.Picture1->setHeight(1200);
    ASSERT_TRUE(form.Picture1->Picture().isEmpty());
    Click(form.Command4);
    EXPECT_FLOAT_EQ(form.Picture2->Width(), 1500);
    EXPECT_FLOAT_EQ(form.Picture2->Height(), 1200);
    EXPECT_EQ(form.Picture2->paintingCount(), 0);
    EXPECT_EQ(form.Picture2->Image().image(), pattern.copy(0, 0, 100, 80));
}

}  // namespace
}  // namespace lanxi
