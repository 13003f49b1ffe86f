#include <gtest/gtest.h>

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <new>
#include <stdexcept>

#include "base/errors.h"
#include "document/picture_clip.h"
#include "forms/clipboard.h"
#include "forms/common_dialog.h"
#include "forms/form.h"
#include "forms/ui.h"
#include "tests/support/accessibility.h"
#include "tests/support/images.h"
#include "tests/support/scripted_ui.h"

namespace lanxi {
namespace {

TEST(PictureClip, CutsExactlyTheRectangle) {
    const QImage pattern = test::PatternImage(100, 80);
    PictureClip clip;
    clip.setPicture(StdPicture(pattern));
    clip.setClipX(50);
    clip.setClipY(40);
    clip.setClipWidth(30);
    clip.setClipHeight(30);
    EXPECT_EQ(clip.Clip().image(), pattern.copy(50, 40, 30, 30));
    // Up to the picture's edge is allowed.
    clip.setClipX(70);
    clip.setClipY(50);
    EXPECT_EQ(clip.Clip().size(), QSize(30, 30));
}

TEST(PictureClip, RefusesEmptyOutsideOrSourcelessRectangles) {
    PictureClip clip;
    clip.setClipWidth(10);
    clip.setClipHeight(10);
    EXPECT_THROW(clip.Clip(), Error);  // no source
    clip.setPicture(StdPicture(test::PatternImage(100, 80)));
    struct R {
        int x, y, w, h;
    } refused[] = {{0, 0, 0, 10},   {0, 0, 10, 0},   {95, 0, 10, 10},
                   {0, 75, 10, 10}, {-1, 0, 10, 10}, {0, 0, 101, 10}};
    for (const R& r : refused) {
        clip.setClipX(std::int16_t(r.x));
        clip.setClipY(std::int16_t(r.y));
        clip.setClipWidth(std::int16_t(r.w));
        clip.setClipHeight(std::int16_t(r.h));
        EXPECT_THROW(clip.Clip(), Error) << r.x << "," << r.y << " " << r.w << "x" << r.h;
    }
}

TEST(Clipboard, APictureComesBackUnchanged) {
    const QImage pattern = test::PatternImage(37, 23);
    Clipboard::SetData(StdPicture(pattern));
    EXPECT_EQ(Clipboard::GetData().image(), pattern);
    Clipboard::Clear();
    EXPECT_TRUE(Clipboard::GetData().isEmpty());
}

TEST(CommonDialog, KeepsItsPropertiesAndPassesThemToEachShowing) {
    test::ScriptedUi ui;
    ui.answer(QStringLiteral("/tmp/a.jpg"));
    ui.cancel();
    CommonDialog dialog;
    dialog.Filter = QStringLiteral("JPG文件(*.jpg)|*.jpg");
    dialog.ShowOpen(nullptr);
    EXPECT_EQ(dialog.FileName, QStringLiteral("/tmp/a.jpg"));
    dialog.Flags = 14;
    dialog.ShowSave(nullptr);
    EXPECT_TRUE(dialog.FileName.isEmpty());  // cancelled

    ASSERT_EQ(ui.dialogs.size(), 2u);
    EXPECT_EQ(ui.dialogs[0].kind, FileDialogRequest::Open);
    EXPECT_EQ(ui.dialogs[0].flags, 0);
    EXPECT_EQ(ui.dialogs[1].kind, FileDialogRequest::Save);
    EXPECT_EQ(ui.dialogs[1].flags, 14);
    EXPECT_EQ(ui.dialogs[1].filter, QStringLiteral("JPG文件(*.jpg)|*.jpg"));
}

TEST(MessageBox, WithoutATitleShowsTheProgramsTitle) {
    test::ScriptedUi ui;
    MsgBox(nullptr, QStringLiteral("完成"));
    MsgBox(nullptr, QStringLiteral("提示"), vbInformation, QStringLiteral("自己的标题"));
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].shownTitle(), QStringLiteral("岚溪文坊图片工具"));
    EXPECT_EQ(ui.messages[0].style, vbOKOnly);
    EXPECT_EQ(ui.messages[1].shownTitle(), QStringLiteral("自己的标题"));
    EXPECT_EQ(ui.messages[1].style, 64);
}

// The real dialogs, with a window that closes and is freed while its dialog is up.
TEST(RealDialogs, GoWithTheirWindowWhenItIsFreedMeanwhile) {
    for (const bool fileDialog : {true, false}) {
        SCOPED_TRACE(fileDialog ? "file dialog" : "message box");
        QPointer<QWidget> window = new QWidget;
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->show();
        QTimer::singleShot(0, window, &QWidget::close);
        QTimer stuck;  // should the dialog stay, it is closed after a while and the test fails
        QObject::connect(&stuck, &QTimer::timeout,
                         [] { QApplication::activeModalWidget()->close(); });
        stuck.start(5000);
        if (fileDialog) {
            FileDialogRequest request;
            request.parent = window;
            EXPECT_TRUE(Ui().fileDialog(request).isEmpty());
        } else {
            MsgBox(window, QStringLiteral("提示"));
        }
        EXPECT_TRUE(window.isNull());
    }
}

// The real dialogs as a screen reader finds them while they wait for the user: the message box
// reads its text and names its icon, and every control of the file dialog has a name.
TEST(RealDialogs, AReaderHearsTheirTextAndNamesTheirControls) {
    QWidget window;
    window.show();
    for (const bool fileDialog : {true, false}) {
        QStringList unnamed{QStringLiteral("not shown")};
        QString text;
        QTimer::singleShot(0, [&] {
            QWidget* box = QApplication::activeModalWidget();
            unnamed = test::UnnamedControls(box);
            text = QAccessible::queryAccessibleInterface(box)->text(QAccessible::Value);
            box->close();
        });
        if (fileDialog) {
            FileDialogRequest request;
            request.parent = &window;
            Ui().fileDialog(request);
        } else {
            MsgBox(&window, QStringLiteral("文件保存并再次压缩成功！"), vbInformation);
            EXPECT_EQ(text, QStringLiteral("文件保存并再次压缩成功！"));
        }
        EXPECT_EQ(unnamed, QStringList()) << (fileDialog ? "file dialog" : "message box");
    }
}

// Whatever a handler throws stops at the handler: the user is told that the step failed and
// why, the program's log says what it was, and the next event is handled as usual.
TEST(RunHandler, TellsAndLogsWhatAHandlerThrowsAndGoesOn) {
    test::ScriptedUi ui;
    static QStringList logged;
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext& context, const QString& text) {
            logged << QString::fromLatin1(context.category) + QLatin1Char(' ') + text;
        });
    QWidget window;
    RunHandler(&window, [] { throw std::logic_error("index out of range"); });
    RunHandler(&window, [] { throw std::bad_alloc(); });
    RunHandler(&window, [] { throw Error(ErrorCode::DeviceIO, QStringLiteral("磁盘读写出错")); });
    bool ran = false;
    RunHandler(&window, [&] { ran = true; });
    qInstallMessageHandler(previous);

    EXPECT_TRUE(ran);
    ASSERT_EQ(ui.messages.size(), 3u);
    EXPECT_EQ(ui.messages[0].parent, &window);
    EXPECT_EQ(ui.messages[0].style, vbCritical);
    EXPECT_TRUE(ui.messages[0].text.contains(QStringLiteral("程序内部出错")));
    EXPECT_TRUE(ui.messages[1].text.contains(QStringLiteral("内存不足")));
    EXPECT_TRUE(ui.messages[2].text.contains(QStringLiteral("磁盘读写出错")));
    ASSERT_EQ(logged.size(), 3);
    EXPECT_TRUE(logged[0].startsWith(QStringLiteral("lanxi ")));
    EXPECT_TRUE(logged[0].contains(QStringLiteral("index out of range"))) << logged[0];
}

}  // namespace
}  // namespace lanxi
