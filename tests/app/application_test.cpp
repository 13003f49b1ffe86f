#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTimer>

#include "app/application.h"
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

TEST_F(ApplicationTest, StartScreenIsLaidOutAsDesigned) {
    EXPECT_EQ(start()->windowTitle(), QStringLiteral("图片剪切、缩小、压缩小工具----岚溪文坊专用"));
    EXPECT_EQ(start()->size(), QSize(421, 269));
    struct Item {
        const char* name;
        QString text;
        QRect twips;
    } buttons[] = {
        {"Command2", QStringLiteral("图片文件大小（容量）压缩（尺寸不变）"), {240, 360, 3735, 495}},
        {"Command1", QStringLiteral("图片尺寸（宽、高）减小、截剪"), {240, 960, 3735, 495}},
        {"Command4", QStringLiteral("进入：岚溪文坊"), {4200, 360, 1815, 495}},
        {"Command3", QStringLiteral("退  出"), {4200, 960, 1815, 495}},
    };
    for (const Item& b : buttons) {
        QPushButton* button = startButton(b.name);
        ASSERT_NE(button, nullptr) << b.name;
        EXPECT_EQ(button->text(), b.text);
        EXPECT_EQ(test::TwipsOf(button), b.twips) << b.name;
        EXPECT_TRUE(button->isEnabled());
    }
    Form3& f = program.form3();
    EXPECT_EQ(test::TwipsOf(f.Shape1), QRect(240, 1680, 5775, 2175));
    EXPECT_EQ(f.Shape1->BorderColor(), QColor(255, 128, 0));
    EXPECT_EQ(f.Label1[0]->Caption(), QStringLiteral("岚溪文坊图片上传要求说明："));
    EXPECT_EQ(f.Label1[0]->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    EXPECT_EQ(f.Label1[1]->Caption(),
              QStringLiteral("1.文章中插入图片尺寸：宽度不能大于700象素，高度不限；图片    "
                             "容量大小不能大于200kb；"));
    EXPECT_EQ(f.Label1[2]->Caption(),
              QStringLiteral("2.头徵形象图片：原图片要少于200kb，建议通过本软件处理后：   "
                             "图片最小边为210象素或310象素"));
    EXPECT_EQ(f.Label1[3]->Caption(),
              QStringLiteral("3.身份证图片每张容量大小不能大于100kb，周边多余空白可以剪   切掉。"));
    EXPECT_EQ(test::TwipsOf(f.Label1[1]), QRect(480, 2280, 5250, 420));
    EXPECT_EQ(test::TabOrder(f.Command1, 4),
              QStringList({"Command1", "Command2", "Command3", "Command4"}));
    EXPECT_EQ(start()->focusWidget(), f.Command1);
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

TEST_F(ApplicationTest, ExitClosesEveryWindowAtOnce) {
    Click(startButton("Command1"));
    Click(startButton("Command2"));
    Click(startButton("Command3"));
    EXPECT_FALSE(program.form3().IsLoaded());
    EXPECT_FALSE(program.form1().IsLoaded());
    EXPECT_FALSE(program.form2().IsLoaded());
    EXPECT_TRUE(ui.messages.empty());
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
