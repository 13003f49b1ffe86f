#include <QLineEdit>

#include "tests/workspace/workspace_fixture.h"

namespace lanxi {
namespace {

using test::Click;
using WindowTest = test::WorkspaceTest;

TEST_F(WindowTest, ControlsStandWhereTheDesignPutsThem) {
    QWidget* w = form.window();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("图片截剪、缩放、批量压缩小工具--岚溪文坊"));
    EXPECT_EQ(w->size(), QSize(1119, 655));
    struct Item {
        const char* name;
        const char* parent;  // the frame whose inside holds it; "" for the window
        QRect twips;
        QString text;
    } items[] = {
        {"Picture4", "", {120, 120, 16575, 9615}, {}},
        {"Picture2", "Picture4", {240, 120, 4215, 4215}, {}},
        {"Picture3", "", {9480, 120, 6855, 7215}, {}},
        {"Picture1", "Picture3", {0, 0, 4215, 4215}, {}},
        {"Picture5", "", {9480, 7440, 7215, 375}, {}},
        {"Text1", "Picture5", {4800, 120, 735, 270}, QStringLiteral("0")},
        {"Text2", "Picture5", {5880, 120, 735, 270}, QStringLiteral("0")},
        {"Command12", "Picture5", {6600, 120, 495, 255}, QStringLiteral("取消")},
        {"Command5", "", {9480, 7920, 1815, 495}, QStringLiteral("打开图片")},
        {"Command2", "", {11400, 7920, 2175, 495}, QStringLiteral("缩小（对左图）")},
        {"Command1", "", {13560, 7920, 1695, 495}, QStringLiteral("放大（对左图）")},
        {"Command8", "", {15240, 7920, 1335, 495}, QStringLiteral("缩放复位")},
        {"Command6", "", {9480, 8520, 1815, 495}, QStringLiteral("左框恢复打开原图")},
        {"Command4", "", {11400, 8520, 1095, 495}, QStringLiteral("向左复制")},
        {"Command10", "", {12480, 8520, 1095, 495}, QStringLiteral("向右复制")},
        {"Command3", "", {13560, 8520, 1695, 495}, QStringLiteral("保存缩放图片")},
        {"Command7", "", {15240, 8520, 1335, 495}, QStringLiteral("关闭")},
        {"Command11", "", {9480, 9120, 1815, 495}, QStringLiteral("批量压缩jpg文件")},
        {"Command9", "", {11400, 9120, 5175, 495}, QStringLiteral("进入：岚溪文坊")},
    };
    for (const Item& item : items) {
        QWidget* c = form.control(QString::fromLatin1(item.name));
        ASSERT_NE(c, nullptr) << item.name;
        EXPECT_EQ(test::TwipsOf(c), item.twips) << item.name;
        QWidget* parent = *item.parent ? form.control<PictureFrame>(item.parent)->inside() : w;
        EXPECT_EQ(c->parentWidget(), parent) << item.name;
        if (auto* b = qobject_cast<QPushButton*>(c)) {
            EXPECT_EQ(b->text(), item.text);
        } else if (auto* t = qobject_cast<QLineEdit*>(c)) {
            EXPECT_EQ(t->text(), item.text);
            EXPECT_EQ(t->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
        }
    }
    const QStringList captions = {"图片大小(象素)：", "宽", "0", "高", "0",
                                  "缩放为固定尺寸：", "宽", "高"};
    for (int i = 0; i < 8; ++i) {
        auto* label = form.control<VbLabel>(QStringLiteral("Label1(%1)").arg(i));
        ASSERT_NE(label, nullptr) << i;
        EXPECT_EQ(label->Caption(), captions[i]);
        EXPECT_EQ(label->parentWidget(), form.Picture5->inside());
    }
    EXPECT_EQ(form.Text1->toolTip(),
              QStringLiteral("如果只指定宽，不指定高，则以宽为比例，自动缩放高。"));
    EXPECT_EQ(form.Text2->toolTip(),
              QStringLiteral("如果只指定高，不指定宽，则以高为比例，自动缩放宽。"));
    EXPECT_EQ(form.Picture3->BorderStyle(), 1);
    EXPECT_EQ(form.Picture4->BorderStyle(), 1);
    EXPECT_EQ(form.Picture1->BorderStyle(), 0);
    EXPECT_EQ(form.Picture5->BorderStyle(), 0);
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

TEST_F(WindowTest, LoadsWithOnlyThePictureFreeButtonsEnabled) {
    const QStringList enabled = {"Command5", "Command7", "Command9", "Command11", "Command12"};
    for (int i = 1; i <= 12; ++i) {
        const QString name = QStringLiteral("Command%1").arg(i);
        EXPECT_EQ(form.control<QPushButton>(name)->isEnabled(), enabled.contains(name)) << name;
    }
    EXPECT_FALSE(form.Shape1->Visible());
    EXPECT_EQ(form.Shape1->BorderStyle(), 3);
    EXPECT_EQ(form.Picture1->ScaleMode(), 3);
    EXPECT_EQ(form.Picture2->ScaleMode(), 3);
    EXPECT_FLOAT_EQ(form.Picture1->Width(), 4215);
    EXPECT_FLOAT_EQ(form.Picture1->Height(), 4215);
    EXPECT_TRUE(form.Picture1->AutoSize());
    EXPECT_TRUE(form.Picture2->AutoSize());
    EXPECT_TRUE(form.Picture1->AutoRedraw());
    // The crop rectangle keeps its place, now measured in the left frame's pixels.
    EXPECT_FLOAT_EQ(form.Shape1->Left(), 40);
    EXPECT_FLOAT_EQ(form.Shape1->Width(), 105);
}

TEST_F(WindowTest, KeyboardOrderFollowsTheDesign) {
    EXPECT_EQ(test::TabOrder(form.Command1, 19),
              QStringList({"Command1", "Command2", "Command3", "Picture3", "Picture1", "Picture4",
                           "Picture2", "Command4", "Command5", "Command6", "Command7", "Command8",
                           "Command9", "Picture5", "Text1", "Text2", "Command10", "Command11",
                           "Command12"}));
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

}  // namespace
}  // namespace lanxi
