#include <QFile>

#include "codec/loader.h"
#include "tests/workspace/workspace_fixture.h"

namespace lanxi {
namespace {

using test::Click;
using OpenTest = test::WorkspaceTest;

const QStringList kPictureButtons = {"Command1", "Command2", "Command3", "Command4",
                                     "Command6", "Command8", "Command10"};

void expectHint(const MessageBoxRequest& m) {
    EXPECT_EQ(m.text, QStringLiteral("用鼠标在左框图片上拉框可以自由剪切图片。"));
    EXPECT_EQ(m.style, 64);
    EXPECT_EQ(m.title, QStringLiteral("岚溪文坊图片处理专用"));
}

TEST_F(OpenTest, OpeningSizesBothFramesAndRecordsTheSizes) {
    const QImage pattern = test::PatternImage(300, 200);
    const QString path = pictureFile(pattern, QStringLiteral("三百乘二百.bmp"));
    open(path);

    EXPECT_FLOAT_EQ(form.Picture2->Width(), 4500);
    EXPECT_FLOAT_EQ(form.Picture2->Height(), 3000);
    EXPECT_FLOAT_EQ(form.Picture1->Width(), 4500);
    EXPECT_FLOAT_EQ(form.Picture1->Height(), 3000);
    EXPECT_FLOAT_EQ(form.BaseWidth, 4500);
    EXPECT_FLOAT_EQ(form.BaseHeight, 3000);
    EXPECT_FLOAT_EQ(form.OpenedWidth, 4500);
    EXPECT_FLOAT_EQ(form.OpenedHeight, 3000);
    EXPECT_EQ(form.OpenedFileName, path);
    EXPECT_EQ(form.Picture2->Image().image(), pattern);
    // The right frame only takes the size; nothing is painted into it.
    EXPECT_TRUE(form.Picture1->Picture().isEmpty());
    EXPECT_EQ(form.Picture1->paintingCount(), 0);
    EXPECT_EQ(form.Label1[2]->Caption(), QStringLiteral("0"));
    EXPECT_EQ(form.Label1[4]->Caption(), QStringLiteral("0"));
    for (const QString& name : kPictureButtons) {
        EXPECT_TRUE(form.control<QPushButton>(name)->isEnabled()) << name.toStdString();
    }
    ASSERT_EQ(ui.messages.size(), 1u);
    expectHint(ui.messages[0]);
    // The dialog: the filter, and the flags set only after the first dialog closed.
    ASSERT_EQ(ui.dialogs.size(), 1u);
    // The designed entries first (the first is chosen), then one for every picture it opens.
    EXPECT_TRUE(ui.dialogs[0].filter.startsWith(
        QStringLiteral("JPG文件(*.jpg)|*.jpg|BMP文件(*.bmp)|*.bmp|所有支持的图片(")))
        << ui.dialogs[0].filter;
    EXPECT_TRUE(ui.dialogs[0].filter.endsWith(QStringLiteral("*.png;*.webp;*.heic;*.heif;*.avif")));
    EXPECT_EQ(ui.dialogs[0].flags, 0);
    EXPECT_EQ(form.CommonDialog1.Flags, 14);
}

TEST_F(OpenTest, CancellingChangesNothingButStillShowsTheHint) {
    ui.cancel();
    Click(form.Command5);
    EXPECT_TRUE(form.Picture2->Picture().isEmpty());
    EXPECT_FALSE(form.Command1->isEnabled());
    ASSERT_EQ(ui.messages.size(), 1u);
    expectHint(ui.messages[0]);

    openPicture(test::PatternImage(40, 30));
    const StdPicture first = form.Picture2->Picture();
    ui.cancel();
    Click(form.Command5);
    EXPECT_TRUE(form.Picture2->Picture() == first);
    EXPECT_EQ(ui.messages.size(), 3u);
    EXPECT_EQ(ui.dialogs.back().flags, 14);
}

TEST_F(OpenTest, AFileThatCannotBeOpenedLeavesTheWindowAsItWasAndSaysWhy) {
    openPicture(test::PatternImage(40, 30));
    const StdPicture first = form.Picture2->Picture();
    const QString opened = form.OpenedFileName;
    const QString bad = dir.file(QStringLiteral("坏的.jpg"));
    test::WriteBytes("not a picture at all", bad);
    ui.messages.clear();

    open(bad);
    EXPECT_TRUE(form.Picture2->Picture() == first);
    EXPECT_EQ(form.OpenedFileName, opened);
    EXPECT_FLOAT_EQ(form.OpenedWidth, 600);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_TRUE(ui.messages[0].text.contains(QDir::toNativeSeparators(bad)));
    EXPECT_TRUE(ui.messages[0].text.contains(QStringLiteral("不是可识别的图片")));
    EXPECT_EQ(ui.messages[0].title, QString());
}

TEST_F(OpenTest, APictureLargerThanThePanesGrowsBothFrames) {
    open(pictureFile(test::PatternImage(2000, 1500)));
    EXPECT_EQ(form.Picture2->size(), QSize(2000, 1500));
    EXPECT_EQ(form.Picture1->size(), QSize(2000, 1500));
    EXPECT_FLOAT_EQ(form.OpenedWidth, 30000);
    // The pane clips the frame: only the pane's inside is visible of it.
    EXPECT_LE(form.Picture1->visibleRegion().boundingRect().width(), form.Picture3->insideWidth());
}

TEST_F(OpenTest, RestoreReloadsTheFileAndTheBaseSizeOnly) {
    const QString path = pictureFile(test::PatternImage(300, 200));
    open(path);
    // Paint over the left frame and change its size, as a copy to the left does.
    form.Picture2->setWidth(1500);
    form.Picture2->PaintPicture(StdPicture(test::SmoothImage(10, 10)), 0, 0, 100, 100, 0, 0, 10,
                                10);
    form.BaseWidth = 1;
    // The file changed on disk since it was opened: the new content comes back.
    const QImage changed = test::SmoothImage(120, 80);
    test::WriteBmp(changed, path);
    ui.messages.clear();

    Click(form.Command6);
    EXPECT_EQ(form.Picture2->Image().image(), changed);
    EXPECT_FLOAT_EQ(form.BaseWidth, 1800);
    EXPECT_FLOAT_EQ(form.BaseHeight, 1200);
    EXPECT_FLOAT_EQ(form.OpenedWidth, 4500);
    EXPECT_FLOAT_EQ(form.Picture1->Width(), 4500);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(OpenTest, RestoringAFileThatIsGoneSaysSoAndChangesNothing) {
    const QString path = pictureFile(test::PatternImage(300, 200));
    open(path);
    const StdPicture before = form.Picture2->Picture();
    form.BaseWidth = 123;
    QFile::remove(path);
    ui.messages.clear();

    Click(form.Command6);
    EXPECT_TRUE(form.Picture2->Picture() == before);
    EXPECT_FLOAT_EQ(form.BaseWidth, 123);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_TRUE(ui.messages[0].text.contains(QDir::toNativeSeparators(path)));
    EXPECT_TRUE(ui.messages[0].text.contains(QStringLiteral("文件不存在")));
}

TEST_F(OpenTest, ARotatedCameraPictureOpensUpright) {
    const QString path = dir.file(QStringLiteral("手机照片.jpg"));
    test::WriteBytes(test::JpegWithOrientation(test::SmoothImage(80, 40), 6), path);
    open(path);
    EXPECT_FLOAT_EQ(form.Picture2->Width(), 40 * 15);
    EXPECT_FLOAT_EQ(form.Picture2->Height(), 80 * 15);
}

}  // namespace
}  // namespace lanxi
