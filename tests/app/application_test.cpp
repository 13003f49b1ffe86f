#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QTimer>

#include "app/application.h"
#include "app/form3_design.h"
#include "compress/batch_run.h"
#include "tests/support/accessibility.h"
#include "tests/support/filesystems.h"
#include "tests/support/images.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/widgets.h"

namespace lanxi {
namespace {

using test::Click;

class ApplicationTest : public ::testing::Test {
  protected:
    void SetUp() override { program.Start(); }
    QWidget* start() { return program.form3().window(); }
    QPushButton* startButton(const char* name) {
        return program.form3().control<QPushButton>(QString::fromLatin1(name));
    }

    test::ScriptedUi ui;
    Application program;
};

TEST_F(ApplicationTest, StartsWithTheStartScreenAlone) {
    ASSERT_NE(start(), nullptr);
    EXPECT_TRUE(start()->isVisible());
    EXPECT_FALSE(program.hasForm1());
    EXPECT_FALSE(program.hasForm2());
}

// "Open with" in a file manager starts the program with the pictures' names.
TEST(ApplicationStart, PicturesNamedOnTheCommandLineOpenTheFirstInTheWorkspaceAlone) {
    test::ScriptedUi ui;
    test::TempDir dir;
    test::WriteJpeg(test::SmoothImage(64, 48), dir.file(QStringLiteral("照片 1.jpg")));
    test::WriteJpeg(test::SmoothImage(32, 32), dir.file(QStringLiteral("b.jpg")));
    Application program;
    const QString here = QDir::currentPath();
    QDir::setCurrent(dir.path());  // the first name is relative, as typed in a console
    program.Start({QStringLiteral("照片 1.jpg"), dir.file(QStringLiteral("b.jpg"))});
    QDir::setCurrent(here);
    QApplication::processEvents();

    EXPECT_FALSE(program.form3().IsLoaded());
    ASSERT_TRUE(program.hasForm1());
    Form1& f = program.form1();
    EXPECT_TRUE(f.IsLoaded() && f.window()->isVisible());
    // As a dropped file: its whole native path, the picture shown, the same hint.
    EXPECT_EQ(f.OpenedFileName, QDir::toNativeSeparators(dir.file(QStringLiteral("照片 1.jpg"))));
    EXPECT_EQ(f.Picture2->Picture().size(), QSize(64, 48));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title, Form1::kTitle);

    // A folder holds no one picture: the open dialog starts there, for this time only.
    ui.answer(dir.file(QStringLiteral("b.jpg")));
    program.Start({QStringLiteral("--workspace"), dir.path()});
    QApplication::processEvents();
    ASSERT_EQ(ui.dialogs.size(), 1u);
    EXPECT_EQ(ui.dialogs[0].directory, QDir::toNativeSeparators(dir.path()));
    EXPECT_EQ(f.Picture2->Picture().size(), QSize(32, 32));
    ui.cancel();
    Click(f.Command5);
    ASSERT_EQ(ui.dialogs.size(), 2u);
    EXPECT_NE(ui.dialogs[1].directory, ui.dialogs[0].directory);
}

TEST_F(ApplicationTest, StartScreenIsLaidOutAsDesigned) {
    EXPECT_EQ(start()->windowTitle(), QStringLiteral("图片剪切、缩小、压缩小工具----岚溪文坊专用"));
    EXPECT_EQ(start()->size(), QSize(421, 269));
    test::ExpectBuiltAsDesigned(program.form3(), Form3Design());
    EXPECT_EQ(start()->focusWidget(), program.form3().Command1);
}

TEST_F(ApplicationTest, EachWindowExistsOnceAndIsSharedByItsButtons) {
    Click(startButton("Command1"));
    ASSERT_TRUE(program.hasForm1());
    QWidget* workspace = program.form1().window();
    ASSERT_NE(workspace, nullptr);
    program.form1().Text1->setText(QStringLiteral("123"));
    Click(startButton("Command1"));
    EXPECT_EQ(program.form1().window(), workspace);
    EXPECT_EQ(program.form1().Text1->text(), QStringLiteral("123"));

    Click(startButton("Command2"));
    QWidget* batch = program.form2().window();
    ASSERT_NE(batch, nullptr);
    Click(program.form1().Command11);
    EXPECT_EQ(program.form2().window(), batch);
    EXPECT_TRUE(start()->isVisible());
    EXPECT_TRUE(workspace->isVisible());
}

TEST_F(ApplicationTest, AClosedWorkspaceComesBackAsDesignedWithItsMembersKept) {
    Click(startButton("Command1"));
    Form1& f = program.form1();
    f.Text1->setText(QStringLiteral("700"));
    f.Command3->setEnabled(true);
    f.OpenedFileName = QStringLiteral("/pics/a.jpg");
    f.BaseWidth = 4500;
    f.SelectionMade = kTrue;
    f.SelectDragging = kTrue;
    Click(f.Command7);
    EXPECT_FALSE(f.IsLoaded());
    QApplication::processEvents();

    Click(startButton("Command1"));
    ASSERT_TRUE(f.IsLoaded());
    EXPECT_EQ(f.Text1->text(), QStringLiteral("0"));
    EXPECT_FALSE(f.Command3->isEnabled());
    EXPECT_EQ(f.Label1[2]->Caption(), QStringLiteral("0"));
    EXPECT_EQ(f.OpenedFileName, QStringLiteral("/pics/a.jpg"));
    EXPECT_FLOAT_EQ(f.BaseWidth, 4500);
    EXPECT_EQ(f.SelectionMade, kFalse);
    EXPECT_EQ(f.SelectDragging, kFalse);
    EXPECT_TRUE(f.Picture2->Picture().isEmpty());
}

TEST_F(ApplicationTest, ExitClosesEveryWindowAtOnceEvenWithABatchRowInFlight) {
    test::TempDir dir;
    test::WriteJpeg(test::SmoothImage(64, 48), dir.file(QStringLiteral("a.jpg")));
    Click(startButton("Command1"));
    Click(startButton("Command2"));
    Form2& batch = program.form2();
    batch.List1->AddItem(BatchRow{QStringLiteral("a.jpg"), dir.path()});
    // The start screen stays usable during a run; its exit is clicked as the row starts, and
    // the windows it closes are freed at once, while the row is still at work.
    QObject::connect(&batch, &Form2::runStarted, &batch, [&](BatchRun* run) {
        QObject::connect(run, &BatchRun::rowStarted, &batch, [&] {
            Click(startButton("Command3"));
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        });
    });
    Click(batch.Command1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    EXPECT_FALSE(program.form3().IsLoaded());
    EXPECT_FALSE(program.form1().IsLoaded());
    EXPECT_FALSE(batch.IsLoaded());
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_TRUE(program.form3().Command3.isNull() && program.form1().Command5.isNull() &&
                batch.List1.isNull());
    // The row in flight was cut short and left nothing behind.
    EXPECT_EQ(test::DirectoryEntries(dir.path()), QStringList({"a.jpg"}));
}

TEST_F(ApplicationTest, TheProgramEndsWithItsLastWindow) {
    Click(startButton("Command1"));
    bool workspaceStayed = false;
    // Inside the running program: close the start screen, see the workspace go on, then close
    // the workspace; the program must end by itself (else the guard ends it with 99).
    QTimer::singleShot(0, [&] { start()->close(); });
    QTimer::singleShot(50, [&] {
        workspaceStayed = program.form1().IsLoaded() && program.form1().window()->isVisible();
        program.form1().Unload();
    });
    QTimer::singleShot(5000, [] { QCoreApplication::exit(99); });
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_TRUE(workspaceStayed);
    EXPECT_FALSE(program.form3().IsLoaded());
}

// What a screen reader finds in each window as it opens: a window, and every control it can
// reach named.
TEST_F(ApplicationTest, AReaderFindsEveryControlOfEveryWindowNamed) {
    test::ReaderEvents reader;
    Click(startButton("Command1"));
    Click(startButton("Command2"));
    for (Form* form : {static_cast<Form*>(&program.form3()), static_cast<Form*>(&program.form1()),
                       static_cast<Form*>(&program.form2())}) {
        EXPECT_EQ(test::UnnamedControls(form->window()), QStringList()) << form->objectName();
        EXPECT_EQ(QAccessible::queryAccessibleInterface(form->window())->role(),
                  QAccessible::Window)
            << "announced by its title";
    }
}

TEST_F(ApplicationTest, TheLinkButtonsOpenTheHomePage) {
    Click(startButton("Command4"));
    Click(startButton("Command1"));
    Click(program.form1().Command9);
    ASSERT_EQ(ui.addresses.size(), 2u);
    EXPECT_EQ(ui.addresses[0].first, start());
    EXPECT_EQ(ui.addresses[1].first, program.form1().window());
    EXPECT_TRUE(ui.addresses[0].second.startsWith(QStringLiteral("http")));
    EXPECT_EQ(ui.addresses[0].second, ui.addresses[1].second);
}

}  // namespace
}  // namespace lanxi
