#include <QElapsedTimer>
#include <QFile>
#include <QtEndian>

#include "tests/support/bmp.h"
#include "tests/workspace/workspace_fixture.h"

namespace lanxi {
namespace {

using BadFileTest = test::WorkspaceTest;

// Files a user may pick that are not pictures we can open: each is refused with a message that
// names it and says why, quickly, and the window stays exactly as it was.
TEST_F(BadFileTest, EveryUnopenableFileIsNamedWithItsReasonAndChangesNothing) {
    openPicture(test::PatternImage(30, 20));
    const StdPicture opened = form.Picture2->Picture();
    const QString openedName = form.OpenedFileName;

    const QByteArray jpeg = test::JpegBytes(test::SmoothImage(64, 48));
    QByteArray bmpNegativeWidth;
    {
        const QString p = dir.file(QStringLiteral("ok.bmp"));
        test::WriteBmp(test::PatternImage(8, 8), p);
        bmpNegativeWidth = test::ReadBytes(p);
        qToLittleEndian<qint32>(-8, bmpNegativeWidth.data() + 18);
    }
    struct Case {
        QString name;
        QByteArray bytes;  // null: not written
        QString reason;    // part of the message
    } cases[] = {
        {QStringLiteral("空文件.jpg"), QByteArray(""), QStringLiteral("空")},
        {QStringLiteral("半截.jpg"), jpeg.left(jpeg.size() / 2), QStringLiteral("不完整")},
        {QStringLiteral("巨大.jpg"), test::JpegClaimingSize(test::SmoothImage(8, 8), 65000, 65000),
         QStringLiteral("65000 × 65000")},
        {QStringLiteral("负宽.bmp"), bmpNegativeWidth, QStringLiteral("宽或高")},
        {QStringLiteral("文字.jpg"), QByteArray("这不是图片\n"), QStringLiteral("不是可识别")},
        {QStringLiteral("文件夹.jpg"), QByteArray(), QStringLiteral("文件夹")},
        {QStringLiteral("已删除 😀.jpg"), QByteArray(), QStringLiteral("文件不存在")},
    };
    QDir(dir.path()).mkdir(QStringLiteral("文件夹.jpg"));
    for (const Case& c : cases) {
        const QString path = dir.file(c.name);
        if (!c.bytes.isNull()) {
            test::WriteBytes(c.bytes, path);
        }
        const QByteArray before = test::ReadBytes(path);
        ui.messages.clear();
        QElapsedTimer timer;
        timer.start();
        open(path);
        EXPECT_LT(timer.elapsed(), 1000) << c.name;
        ASSERT_EQ(ui.messages.size(), 1u) << c.name;
        EXPECT_TRUE(ui.messages[0].text.contains(QDir::toNativeSeparators(path))) << c.name;
        EXPECT_TRUE(ui.messages[0].text.contains(c.reason))
            << c.name << ": " << ui.messages[0].text;
        EXPECT_TRUE(form.Picture2->Picture() == opened) << c.name;
        EXPECT_EQ(form.OpenedFileName, openedName) << c.name;
        EXPECT_FLOAT_EQ(form.OpenedWidth, 450) << c.name;
        EXPECT_EQ(test::ReadBytes(path), before) << c.name;
    }
}

TEST_F(BadFileTest, UnusualButValidPicturesOpen) {
    struct Case {
        QString name;
        QByteArray bytes;
        QSize size;
    } cases[] = {
        {QStringLiteral("印刷 CMYK 😀.jpg"), test::CmykJpeg(40, 30, 0, 200, 0, 0), {40, 30}},
        {QStringLiteral("其实是 PNG.jpg"), {}, {25, 15}},
        {QStringLiteral("黑白 1 位.bmp"), test::MonoBmp(), {8, 2}},
        {QStringLiteral("16 位色.bmp"), test::Rgb16Bmp(), {2, 1}},
    };
    ASSERT_TRUE(test::PatternImage(25, 15).save(dir.file(cases[1].name), "png"));
    for (const Case& c : cases) {
        const QString path = dir.file(c.name);
        if (!c.bytes.isEmpty()) {
            test::WriteBytes(c.bytes, path);
        }
        ui.messages.clear();
        open(path);
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].style, vbInformation) << c.name << ": " << ui.messages[0].text;
        EXPECT_EQ(form.Picture2->size(), c.size) << c.name;
        EXPECT_EQ(form.OpenedFileName, path);
    }
}

}  // namespace
}  // namespace lanxi
