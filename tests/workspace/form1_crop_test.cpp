// Crop selection: the mouse and the keys on the real left frame, the cut through the clipboard.
#include "forms/clipboard.h"
#include "tests/workspace/workspace_fixture.h"

namespace lanxi {
namespace {

using CropTest = test::WorkspaceTest;
using test::Click;

QRectF shapeRect(const Form1& form) {
    return QRectF(form.Shape1->Left(), form.Shape1->Top(), form.Shape1->Width(),
                  form.Shape1->Height());
}

TEST_F(CropTest, ADragCutsExactlyTheRectanglesPixels) {
    const QImage pattern = test::PatternImage(300, 200);
    openPicture(pattern);
    press(form.Picture2, QPoint(10, 10));
    move(form.Picture2, QPoint(60, 30));
    move(form.Picture2, QPoint(110, 60));
    // While dragging: the dotted rectangle and its size in the readouts.
    EXPECT_TRUE(form.Shape1->Visible());
    EXPECT_EQ(form.Shape1->BorderStyle(), 3);
    EXPECT_EQ(readouts(), QStringList({"100", "50"}));
    EXPECT_EQ(form.SelectDragging, kTrue);
    EXPECT_EQ(form.SelectionMade, kTrue);
    // The rectangle is drawn on screen where the pixels are.
    EXPECT_EQ(form.Shape1->geometry(), QRect(10, 10, 100, 50));
    release(form.Picture2, QPoint(110, 60));

    const QImage cut = pattern.copy(10, 10, 100, 50);
    EXPECT_EQ(form.Picture1->Picture().image(), cut);
    EXPECT_EQ(resultTwips(), QSizeF(1500, 750));
    EXPECT_EQ(form.Picture1->Image().image(), cut);
    EXPECT_EQ(Clipboard::GetData().image(), cut);  // other programs can paste it
    EXPECT_FLOAT_EQ(form.BaseWidth, 100);
    EXPECT_FLOAT_EQ(form.BaseHeight, 50);
    EXPECT_EQ(form.SelectDragging, kFalse);
    // The rectangle stays, the left frame's picture is unchanged.
    EXPECT_TRUE(form.Shape1->Visible());
    EXPECT_EQ(readouts(), QStringList({"100", "50"}));
    EXPECT_EQ(form.Picture2->Picture().image(), pattern);

    // A cut of most of the picture stays whole when another picture is opened.
    drag(form.Picture2, QPoint(5, 5), QPoint(295, 195));
    openPicture(test::SmoothImage(50, 50));
    EXPECT_EQ(form.Picture1->Picture().image(), pattern.copy(5, 5, 290, 190));
    EXPECT_EQ(Clipboard::GetData().image(), pattern.copy(5, 5, 290, 190));
}

// The crop by keyboard, on the left frame with the focus: the rectangle appears in the middle
// of the picture, the arrows move it (Shift sizes it, Ctrl goes ten pixels at a time), Enter cuts
// it as the mouse's release does and Escape takes it away.
TEST_F(CropTest, TheArrowKeysMoveACropThatEnterCutsAsTheReleaseDoes) {
    const QImage pattern = test::PatternImage(300, 200);
    openPicture(pattern);
    ASSERT_TRUE(tabTo(form.Picture2));
    key(Qt::Key_Right);
    EXPECT_EQ(shapeRect(form), QRectF(75, 50, 150, 100));
    key(Qt::Key_Right);
    key(Qt::Key_Down, Qt::ControlModifier);
    key(Qt::Key_Left, Qt::ShiftModifier);
    key(Qt::Key_Up, Qt::ShiftModifier | Qt::ControlModifier);
    EXPECT_EQ(shapeRect(form), QRectF(76, 60, 149, 90));
    EXPECT_EQ(readouts(), QStringList({"149", "90"}));
    EXPECT_EQ(form.SelectionMade, kTrue);
    EXPECT_TRUE(form.Picture1->Picture().isEmpty()) << "nothing is cut before Enter";

    key(Qt::Key_Return);
    const QImage cut = pattern.copy(76, 60, 149, 90);
    EXPECT_EQ(form.Picture1->Picture().image(), cut);
    EXPECT_EQ(Clipboard::GetData().image(), cut);
    // One step with the keys' moves: undone, the window is as before the first key.
    Click(form.Command13);
    EXPECT_FALSE(form.Shape1->Visible());
    EXPECT_EQ(readouts(), QStringList({"0", "0"}));
    EXPECT_FALSE(form.History().CanUndo());
    Click(form.Command14);

    // Escape: the rectangle goes, the readouts are as before the keys, nothing is cut or kept.
    form.Picture2->setFocus();
    key(Qt::Key_Left);
    key(Qt::Key_Escape);
    EXPECT_FALSE(form.Shape1->Visible());
    EXPECT_EQ(readouts(), QStringList({"149", "90"}));
    // Enter with no rectangle shown cuts nothing, whatever the clipboard holds.
    Clipboard::SetData(StdPicture(test::SmoothImage(20, 20)));
    key(Qt::Key_Return);
    EXPECT_EQ(form.Picture1->Picture().image(), cut);
    EXPECT_EQ(form.History().UndoName(), QStringLiteral("剪切"));
}

TEST_F(CropTest, ADragToTheUpperLeftCutsTheMirrorImageAboutThePressPoint) {
    const QImage pattern = test::PatternImage(300, 200);
    openPicture(pattern);
    drag(form.Picture2, QPoint(50, 40), QPoint(20, 10));
    EXPECT_EQ(shapeRect(form), QRectF(50, 40, 30, 30));
    EXPECT_EQ(form.Picture1->Picture().image(), pattern.copy(50, 40, 30, 30));
}

TEST_F(CropTest, ADragPastTheRightOrBottomEdgeCutsUpToTheEdge) {
    const QImage pattern = test::PatternImage(300, 200);
    openPicture(pattern);
    // The pointer leaves the picture while the button is held.
    drag(form.Picture2, QPoint(250, 150), QPoint(340, 260));
    EXPECT_EQ(shapeRect(form), QRectF(250, 150, 50, 50));
    EXPECT_EQ(readouts(), QStringList({"50", "50"}));
    EXPECT_EQ(form.Picture1->Picture().image(), pattern.copy(250, 150, 50, 50));
    EXPECT_EQ(Clipboard::GetData().image(), pattern.copy(250, 150, 50, 50));

    // Only one side overshooting: the other keeps the pointer's distance.
    drag(form.Picture2, QPoint(20, 150), QPoint(80, 400));
    EXPECT_EQ(form.Picture1->Picture().image(), pattern.copy(20, 150, 60, 50));
    // A drag to the upper left mirrored past the edge stops there too.
    drag(form.Picture2, QPoint(280, 190), QPoint(200, 100));
    EXPECT_EQ(form.Picture1->Picture().image(), pattern.copy(280, 190, 20, 10));
}

TEST_F(CropTest, AClickWithoutAMoveCutsNothingWhenNoRectangleIsShown) {
    openPicture(test::PatternImage(300, 200));
    // Whatever the clipboard holds goes to the right frame.
    const QImage other = test::SmoothImage(40, 30);
    Clipboard::SetData(StdPicture(other));
    press(form.Picture2, QPoint(50, 50));
    release(form.Picture2, QPoint(50, 50));
    EXPECT_FALSE(form.Shape1->Visible());
    EXPECT_EQ(form.Picture1->Picture().image(), other);
    EXPECT_EQ(resultTwips(), QSizeF(600, 450));
    EXPECT_FLOAT_EQ(form.BaseWidth, 4500);  // no cut: the base stays

    // An empty clipboard leaves the right frame without a picture.
    Clipboard::Clear();
    press(form.Picture2, QPoint(50, 50));
    release(form.Picture2, QPoint(50, 50));
    EXPECT_TRUE(form.Picture1->Picture().isEmpty());
}

TEST_F(CropTest, AClickWithoutAMoveCutsTheEarlierSizeAtTheClickPoint) {
    const QImage pattern = test::PatternImage(300, 200);
    openPicture(pattern);
    drag(form.Picture2, QPoint(10, 10), QPoint(40, 30));
    press(form.Picture2, QPoint(100, 120));
    release(form.Picture2, QPoint(100, 120));
    EXPECT_EQ(shapeRect(form), QRectF(100, 120, 30, 20));
    EXPECT_EQ(form.Picture1->Picture().image(), pattern.copy(100, 120, 30, 20));
}

TEST_F(CropTest, TheRightButtonMovesTheCornerButDoesNotDrag) {
    const QImage pattern = test::PatternImage(300, 200);
    openPicture(pattern);
    drag(form.Picture2, QPoint(10, 10), QPoint(40, 30));
    press(form.Picture2, QPoint(70, 80), Qt::RightButton);
    EXPECT_EQ(shapeRect(form), QRectF(70, 80, 30, 20));
    move(form.Picture2, QPoint(150, 150), Qt::RightButton);
    move(form.Picture2, QPoint(160, 160), Qt::LeftButton | Qt::RightButton);
    move(form.Picture2, QPoint(170, 170), Qt::MiddleButton);
    move(form.Picture2, QPoint(180, 180), Qt::NoButton);
    EXPECT_EQ(shapeRect(form), QRectF(70, 80, 30, 20));
    EXPECT_EQ(readouts(), QStringList({"30", "20"}));
    release(form.Picture2, QPoint(150, 150), Qt::RightButton);
    EXPECT_EQ(form.Picture1->Picture().image(), pattern.copy(70, 80, 30, 20));
}

TEST_F(CropTest, ADragBackToThePressPointIsNotCut) {
    openPicture(test::PatternImage(300, 200));
    drag(form.Picture2, QPoint(10, 10), QPoint(60, 60));
    ASSERT_FALSE(form.Picture1->Picture().isEmpty());
    press(form.Picture2, QPoint(40, 40));
    move(form.Picture2, QPoint(70, 70));
    move(form.Picture2, QPoint(40, 40));
    release(form.Picture2, QPoint(40, 40));
    EXPECT_EQ(readouts(), QStringList({"0", "0"}));
    // The refused cut leaves the clipboard empty and the right frame without a picture.
    EXPECT_TRUE(Clipboard::GetData().isEmpty());
    EXPECT_TRUE(form.Picture1->Picture().isEmpty());
    EXPECT_FLOAT_EQ(form.BaseWidth, 0);
    EXPECT_EQ(form.SelectDragging, kFalse);
}

TEST_F(CropTest, ALeftButtonMoveWithoutASeenPressHidesTheRectangle) {
    openPicture(test::PatternImage(300, 200));
    drag(form.Picture2, QPoint(10, 10), QPoint(60, 60));
    ASSERT_TRUE(form.Shape1->Visible());
    move(form.Picture2, QPoint(100, 100), Qt::LeftButton);
    EXPECT_FALSE(form.Shape1->Visible());
    EXPECT_FLOAT_EQ(form.Shape1->Width(), 50);
}

TEST_F(CropTest, NoPictureInTheLeftFrameCutsNothing) {
    Clipboard::SetData(StdPicture(test::SmoothImage(20, 20)));
    drag(form.Picture2, QPoint(10, 10), QPoint(60, 60));
    EXPECT_TRUE(Clipboard::GetData().isEmpty());
    EXPECT_TRUE(form.Picture1->Picture().isEmpty());
}

TEST_F(CropTest, ACutOfAPictureWiderThanSixteenBitsIsTakenWhereTheUserDragged) {
    // Coordinates beyond 32767 pixels, where a 16-bit clip rectangle would keep the values of
    // the cut before.
    QImage wide(33000, 20, QImage::Format_RGB32);
    for (int x = 0; x < wide.width(); ++x) {
        for (int y = 0; y < 20; ++y) {
            wide.setPixel(x, y, qRgb(x & 0xff, (x >> 8) & 0xff, y));
        }
    }
    openPicture(wide);
    drag(form.Picture2, QPoint(0, 0), QPoint(10, 10));
    drag(form.Picture2, QPoint(32900, 2), QPoint(32950, 12));
    EXPECT_EQ(form.Picture1->Picture().image(), wide.copy(32900, 2, 50, 10));
}

}  // namespace
}  // namespace lanxi
