// Undo and redo on the real window: the keys and buttons a user presses, what each undone step
// gives back, the memory the history keeps, and trimming the blank margins as a crop.
#include <QComboBox>
#include <QFile>
#include <QPainter>
#include <QTest>
#include <functional>

#include "codec/loader.h"
#include "tests/workspace/workspace_fixture.h"

namespace lanxi {
namespace {

using test::Click;

// What the user can see of the window, and the members the next designed step reads.
struct Seen {
    QImage result, working;
    QSizeF resultTwips, workingTwips;
    bool cropShown = false;
    QRectF crop;
    float baseWidth = 0, baseHeight = 0;
    bool selectionMade = false;
    QStringList readouts;
};

void expectSame(const Seen& a, const Seen& b, const char* what) {
    SCOPED_TRACE(what);
    EXPECT_EQ(a.result, b.result);
    EXPECT_EQ(a.working, b.working);
    EXPECT_EQ(a.resultTwips, b.resultTwips);
    EXPECT_EQ(a.workingTwips, b.workingTwips);
    EXPECT_EQ(a.cropShown, b.cropShown);
    if (a.cropShown) {
        EXPECT_EQ(a.crop, b.crop);
    }
    EXPECT_FLOAT_EQ(a.baseWidth, b.baseWidth);
    EXPECT_FLOAT_EQ(a.baseHeight, b.baseHeight);
    EXPECT_EQ(a.selectionMade, b.selectionMade);
    EXPECT_EQ(a.readouts, b.readouts);
}

// A picture on a white margin, so that trimming has something to do.
QImage framedPattern() {
    QImage image(800, 600, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter(&image).drawImage(100, 80, test::PatternImage(600, 440));
    return image;
}

class HistoryTest : public test::WorkspaceTest {
  protected:
    Seen seen() const {
        return {form.Picture1->Image().image(),
                form.Picture2->Image().image(),
                resultTwips(),
                QSizeF(form.Picture2->Width(), form.Picture2->Height()),
                form.Shape1->Visible(),
                QRectF(form.Shape1->Left(), form.Shape1->Top(), form.Shape1->Width(),
                       form.Shape1->Height()),
                form.BaseWidth,
                form.BaseHeight,
                form.SelectionMade != kFalse,
                readouts()};
    }
    // A key pressed with the window active, as the user presses it.
    void key(Qt::Key k, Qt::KeyboardModifiers modifiers) {
        QApplication::setActiveWindow(form.window());
        QTest::keyClick(form.window(), k, modifiers);
    }
    // The upload copy's readout once it has caught up.
    QString copyReadout() {
        EXPECT_TRUE(QTest::qWaitFor([this] { return !form.Estimating(); }, 30'000));
        return form.Label3->Caption();
    }
    void choose(SitePreset preset) {
        for (int i = 0; i < form.Combo1->count(); ++i) {
            if (PresetAt(i) == preset) {
                form.Combo1->setCurrentIndex(i);
                emit form.Combo1->activated(i);
            }
        }
    }
};

TEST_F(HistoryTest, CropZoomUndoTwiceGivesTheOpenedPictureAndRedoTheCropAgain) {
    EXPECT_FALSE(form.Command13->isEnabled());
    EXPECT_FALSE(form.Command14->isEnabled());
    const QImage pattern = test::PatternImage(300, 200);
    openPicture(pattern);
    const Seen opened = seen();
    const QString openedCopy = copyReadout();
    drag(form.Picture2, {10, 10}, {110, 60});
    const Seen cut = seen();
    const QString cutCopy = copyReadout();
    Click(form.Command1);
    const Seen zoomed = seen();
    ASSERT_EQ(zoomed.readouts, QStringList({"330", "220"}));
    EXPECT_TRUE(form.Command13->isEnabled());
    EXPECT_TRUE(form.Command13->toolTip().contains(QStringLiteral("放大")))
        << form.Command13->toolTip();
    EXPECT_FALSE(form.Command14->isEnabled());

    key(Qt::Key_Z, Qt::ControlModifier);
    expectSame(seen(), cut, "one undo");
    EXPECT_EQ(copyReadout(), cutCopy) << "the readout follows";
    key(Qt::Key_Z, Qt::ControlModifier);
    expectSame(seen(), opened, "two undos");
    EXPECT_EQ(copyReadout(), openedCopy);
    EXPECT_FALSE(form.Command13->isEnabled());
    EXPECT_TRUE(form.Command14->toolTip().contains(QStringLiteral("剪切")))
        << form.Command14->toolTip();
    key(Qt::Key_Z, Qt::ControlModifier);  // nothing more to undo
    expectSame(seen(), opened, "nothing left");

    key(Qt::Key_Y, Qt::ControlModifier);
    expectSame(seen(), cut, "redo");
    key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    expectSame(seen(), zoomed, "redo again");
    Click(form.Command13);
    expectSame(seen(), cut, "the undo button");

    // A save after the undo writes the undone result.
    const QString saved = dir.file(QStringLiteral("撤销后.bmp"));
    ui.answer(saved);
    Click(form.Command3);
    EXPECT_EQ(LoadPicture(saved).image(), pattern.copy(10, 10, 100, 50));
    // A dialog's window closed: the system may give the activation back to no window, and the
    // keys still reach the workspace, on the button that saved or on the window itself.
    {
        QWidget dialog;
        dialog.show();
        QApplication::setActiveWindow(&dialog);
        QCoreApplication::processEvents();
    }
    QCoreApplication::processEvents();
    QTest::keyClick(form.Command3, Qt::Key_Y, Qt::ControlModifier);
    expectSame(seen(), zoomed, "Ctrl+Y after a dialog");
    QTest::keyClick(form.window(), Qt::Key_Z, Qt::ControlModifier);
    expectSame(seen(), cut, "Ctrl+Z after a dialog");
    Click(form.Command14);
    expectSame(seen(), zoomed, "the redo button");

    // Another picture starts without steps to undo.
    openPicture(test::SmoothImage(50, 40));
    EXPECT_EQ(form.History().Steps(), 0);
    EXPECT_FALSE(form.Command13->isEnabled());
}

// Each step, undone, gives back the window as it was, and the designed steps that follow behave
// as if it had never been taken; redone, it gives the window as the step left it.
TEST_F(HistoryTest, UndoingAnyStepGivesBackTheWindowAsItWas) {
    const QString path = pictureFile(framedPattern());
    using Do = std::function<void()>;
    const Do crop = [&] { drag(form.Picture2, {50, 40}, {150, 100}); };
    const Do enlarge = [&] { Click(form.Command1); };
    const Do copyLeft = [&] { Click(form.Command4); };
    const struct Case {
        const char* name;
        std::vector<Do> before;
        Do step;
    } cases[] = {
        {"crop", {enlarge}, crop},
        {"crop again without a move",
         {crop},
         [&] {
             press(form.Picture2, {20, 20});
             release(form.Picture2, {20, 20});
         }},
        {"trim", {enlarge}, [&] { Click(form.Command15); }},
        {"enlarge after a crop", {crop}, enlarge},
        {"shrink", {crop, enlarge}, [&] { Click(form.Command2); }},
        {"fixed size",
         {crop},
         [&] {
             setInputs("120", "0");
             Click(form.Command2);
             setInputs("0", "0");
         }},
        {"reset", {crop, enlarge, enlarge}, [&] { Click(form.Command8); }},
        {"copy to the left", {crop, enlarge}, copyLeft},
        {"copy to the right", {crop}, [&] { Click(form.Command10); }},
        {"restore the opened picture", {crop, copyLeft}, [&] { Click(form.Command6); }},
        {"a preset shrinks the crop",
         {[&] {
             drag(form.Picture2, {20, 20}, {520, 420});
         }},
         [&] { choose(SitePreset::Avatar210); }},
        {"a preset sizes the whole picture", {}, [&] { choose(SitePreset::Article); }},
    };
    const auto start = [&](const Case& c) {
        form.Unload();
        form.Show();
        open(path);
        choose(SitePreset::Unlimited);
        for (const Do& d : c.before) {
            d();
        }
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        start(c);
        const Seen before = seen();
        const int steps = form.History().Steps();
        c.step();
        const Seen after = seen();
        ASSERT_EQ(form.History().Steps(), steps + 1);
        Click(form.Command13);
        expectSame(seen(), before, "undone");
        Click(form.Command14);
        expectSame(seen(), after, "redone");
        Click(form.Command13);
        enlarge();
        crop();
        const Seen followed = seen();

        start(c);
        enlarge();
        crop();
        expectSame(followed, seen(), "the same steps without it");
    }
}

TEST_F(HistoryTest, TheHistoryKeepsCutsWithoutPixelsAndBoundsWhatItHolds) {
    // Small cuts are copies of their own in the window, so that they do not keep a large
    // picture alive; kept by the history they are views of the picture the window holds anyway.
    openPicture(test::SmoothImage(1200, 900));
    {
        const StdPicture opened = form.Picture2->Picture();
        for (int i = 0; i < 12; ++i) {
            drag(form.Picture2, {10 + 20 * i, 10 + 10 * i}, {210 + 20 * i, 160 + 10 * i});
            Click(form.Command1);
        }
        EXPECT_EQ(form.History().OwnBytes(form.State()), 0);
        for (int i = 0; i < 5; ++i) {
            Click(form.Command13);
        }
        const StdPicture cut = form.Picture1->Picture();
        EXPECT_EQ(cut.size(), QSize(200, 150));
        EXPECT_NE(cut.block().start, opened.block().start) << "shown, a small cut is a copy again";
        EXPECT_EQ(form.History().OwnBytes(form.State()), 0);
    }

    // A picture restored after its file changed on disk is one only the history holds once the
    // result is repainted from the new one: beyond the bound, the oldest steps are forgotten.
    open(form.OpenedFileName);
    const qsizetype pictureBytes = form.Picture2->Picture().block().bytes;
    form.History().setMaxBytes(2 * pictureBytes + pictureBytes / 2);
    QImage contents[5];
    for (int k = 1; k <= 4; ++k) {
        contents[k] = test::SmoothImage(1200, 900).mirrored(k & 1, k & 2);
        test::WriteBmp(contents[k], form.OpenedFileName);
        Click(form.Command6);
        Click(form.Command8);
        EXPECT_LE(form.History().OwnBytes(form.State()), form.History().MaxBytes());
    }
    EXPECT_EQ(form.History().OwnBytes(form.State()), 2 * pictureBytes);
    // What is left can be undone step by step, down to where its oldest step began.
    ASSERT_EQ(form.History().Steps(), 4);
    for (int i = 0; i < 4; ++i) {
        Click(form.Command13);
    }
    EXPECT_FALSE(form.Command13->isEnabled());
    EXPECT_EQ(form.Picture2->Picture().image(), contents[2].convertToFormat(QImage::Format_RGB32));
    EXPECT_EQ(form.Picture1->Image().image(), form.Picture2->Picture().image());
    // Restoring a file unchanged on disk keeps the picture the frame holds.
    for (int i = 0; i < 4; ++i) {
        Click(form.Command14);
    }
    const StdPicture restored = form.Picture2->Picture();
    Click(form.Command6);
    EXPECT_EQ(form.Picture2->Picture().block().start, restored.block().start);
}

TEST_F(HistoryTest, TrimCutsTheScannedCardOutAsACrop) {
    // A card scanned on a white bed, kept as a JPEG.
    QImage scan(640, 480, QImage::Format_RGB32);
    scan.fill(qRgb(247, 247, 245));
    const QRect card(96, 72, 400, 260);
    QPainter(&scan).drawImage(card.topLeft(), test::PhotoImage(card.width(), card.height()));
    const QString path = dir.file(QStringLiteral("身份证.jpg"));
    test::WriteJpeg(scan, path, 90);
    open(path);
    const Seen opened = seen();
    Click(form.Command15);
    EXPECT_EQ(form.History().UndoName(), QStringLiteral("裁掉空白边"));
    const QRect found(int(form.Shape1->Left()), int(form.Shape1->Top()), int(form.Shape1->Width()),
                      int(form.Shape1->Height()));
    EXPECT_TRUE(found.contains(card));
    EXPECT_TRUE(card.adjusted(-4, -4, 4, 4).contains(found));
    // As a drag over the card would: the rectangle, its size, the cut, the crop's proportions.
    EXPECT_TRUE(form.Shape1->Visible());
    EXPECT_EQ(readouts(),
              QStringList({QString::number(found.width()), QString::number(found.height())}));
    EXPECT_EQ(form.Picture1->Picture().image(), form.Picture2->Picture().image().copy(found));
    EXPECT_EQ(form.SelectionMade, kTrue);
    EXPECT_FLOAT_EQ(form.BaseWidth, float(found.width()));
    Click(form.Command13);
    expectSame(seen(), opened, "undone");

    // A photograph without a margin is left as it is, and the user is told.
    openPicture(test::PhotoImage(300, 200));
    ui.messages.clear();
    Click(form.Command15);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_TRUE(ui.messages[0].text.contains(QStringLiteral("没有找到可以裁掉的空白边")));
    EXPECT_EQ(form.History().Steps(), 0);
    EXPECT_FALSE(form.Shape1->Visible());
}

}  // namespace
}  // namespace lanxi
