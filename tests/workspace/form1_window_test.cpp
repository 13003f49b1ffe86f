#include <QFileInfo>
#include <QLineEdit>
#include <algorithm>
#include <string_view>
#include <vector>

#include "tests/workspace/workspace_fixture.h"
#include "workspace/form1_design.h"

namespace lanxi {
namespace {

using test::Click;
using WindowTest = test::WorkspaceTest;

TEST_F(WindowTest, ControlsStandWhereTheDesignPutsThem) {
    QWidget* w = form.window();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("图片截剪、缩放、批量压缩小工具--岚溪文坊"));
    // The designed 1119 x 655 pixels, and the strip below them.
    EXPECT_EQ(w->size(), QSize(1119, 655 + kStripHeight / 15));
    for (const ControlDesign& d : Form1StripDesign()) {
        EXPECT_GE(d.twips.top(), kForm1Height) << d.name;
    }
    std::vector<ControlDesign> design(Form1Design().begin(), Form1Design().end());
    design.insert(design.end(), Form1StripDesign().begin(), Form1StripDesign().end());
    const auto row = [&](std::string_view name) -> ControlDesign& {
        return *std::find_if(design.begin(), design.end(),
                             [&](const ControlDesign& d) { return d.name == name; });
    };
    // What Form_Load changes: the result frame takes the working frame's size, the working
    // frame sizes itself to its picture, and the crop rectangle waits hidden.
    row("Picture1").twips.setSize(row("Picture2").twips.size());
    row("Picture2").options.autoSize = true;
    row("Shape1").options.visible = false;
    test::ExpectBuiltAsDesigned(form, design);
    for (QLineEdit* t : {form.Text1.data(), form.Text2.data()}) {
        EXPECT_EQ(t->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
    }
}

TEST_F(WindowTest, TheLeftPaneLiesBeneathEverythingElse) {
    const QObjectList children = form.window()->children();
    QWidget* first = nullptr;
    for (QObject* o : children) {
        if (auto* w = qobject_cast<QWidget*>(o)) {
            first = w;
            break;
        }
    }
    EXPECT_EQ(first, form.Picture4);
    // A point of the left pane under the right pane shows the right pane.
    const QPoint inRightPane = form.Picture3->geometry().center();
    EXPECT_EQ(form.window()->childAt(inRightPane), form.Picture1);
}

TEST_F(WindowTest, LoadMeasuresBothPicturesInPixels) {
    EXPECT_EQ(form.Picture1->ScaleMode(), 3);
    EXPECT_EQ(form.Picture2->ScaleMode(), 3);
    EXPECT_TRUE(form.Picture1->AutoRedraw());
    // The crop rectangle keeps its place, now measured in the left frame's pixels.
    EXPECT_FLOAT_EQ(form.Shape1->Left(), 40);
    EXPECT_FLOAT_EQ(form.Shape1->Width(), 105);
}

TEST_F(WindowTest, CancelPutsZeroBackInBothInputsAndTouchesNothingElse) {
    form.Text1->setText(QStringLiteral("abc"));
    form.Text2->setText(QStringLiteral("  12 "));
    form.Label1[2]->setCaption(QStringLiteral("99"));
    Click(form.Command12);
    EXPECT_EQ(form.Text1->text(), QStringLiteral("0"));
    EXPECT_EQ(form.Text2->text(), QStringLiteral("0"));
    EXPECT_EQ(form.Label1[2]->Caption(), QStringLiteral("99"));
}

TEST_F(WindowTest, CloseButtonUnloadsTheWindowAlone) {
    int shown = 0;
    form.showBatchWindow = [&] { ++shown; };
    Click(form.Command11);
    EXPECT_EQ(shown, 1);
    EXPECT_TRUE(form.IsLoaded());
    Click(form.Command7);
    EXPECT_FALSE(form.IsLoaded());
    EXPECT_TRUE(ui.messages.empty());
}

// A handler that waits on the user (a file dialog, a word on a damaged file) finds its window
// closed and freed when it goes on, and leaves everything alone.
TEST_F(WindowTest, AWindowClosedWhileAHandlerWaitsOnTheUserIsLeftAlone) {
    const QString other = pictureFile(test::PatternImage(30, 20), QStringLiteral("另一张.bmp"));
    const QByteArray damagedBytes = test::DamagedRestartMarkers(test::SmoothImage(64, 64));
    const QString damaged = dir.file(QStringLiteral("损坏.jpg"));
    test::WriteBytes(damagedBytes, damaged);
    const QString target = dir.file(QStringLiteral("结果.bmp"));
    struct Case {
        Control<QPushButton> Form1::*button;
        QString answer;
        bool duringMessage;  // closed while a message box is up, else while the file dialog is
    } cases[] = {
        {&Form1::Command5, other, false},
        {&Form1::Command5, damaged, true},
        {&Form1::Command6, {}, true},  // restoring the opened picture, damaged since
        {&Form1::Command3, target, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer.toStdString());
        form.Show();
        openPicture(test::PatternImage(60, 40));
        const QString opened = form.OpenedFileName;
        ui.messages.clear();
        const auto closeAndFree = [&] {
            form.Unload();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        };
        if (c.duringMessage) {
            ui.onMessage = [&](const MessageBoxRequest&) { closeAndFree(); };
        } else {
            ui.onDialog = [&](const FileDialogRequest&) { closeAndFree(); };
        }
        if (c.answer.isEmpty()) {
            test::WriteBytes(damagedBytes, opened);
        } else {
            ui.answer(c.answer);
        }
        Click(form.*c.button);
        ui.onDialog = nullptr;
        ui.onMessage = nullptr;
        EXPECT_FALSE(form.IsLoaded());
        EXPECT_TRUE(form.Picture2.isNull());
        EXPECT_EQ(ui.messages.size(), c.duringMessage ? 1u : 0u) << ui.messageTexts().join(u'\n');
        EXPECT_EQ(form.OpenedFileName, opened);
        EXPECT_FALSE(QFileInfo::exists(target));
    }
}

}  // namespace
}  // namespace lanxi
