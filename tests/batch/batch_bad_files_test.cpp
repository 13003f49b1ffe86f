#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include "picture/loader.h"
#include "tests/batch/batch_fixture.h"
#include "tests/support/bmp.h"

namespace lanxi {
namespace {

using BadFilesRunTest = test::BatchTest;

// Files from anywhere, listed in one batch: the ones that are not pictures are named with their
// reason and left exactly as they were, the valid ones are compressed, and the run ends.
struct Catalogue {
    QStringList bad;    // names refused by the run
    QStringList valid;  // names written
    QMap<QString, QByteArray> bytes;
};

Catalogue makeCatalogue(const test::TempDir& dir) {
    Catalogue c;
    const QByteArray jpeg = test::JpegBytes(test::SmoothImage(64, 48));
    test::WriteBmp(test::PatternImage(8, 8), dir.file(QStringLiteral("tmp.bmp")));
    QByteArray negative = test::ReadBytes(dir.file(QStringLiteral("tmp.bmp")));
    QFile::remove(dir.file(QStringLiteral("tmp.bmp")));
    qToLittleEndian<qint32>(-8, negative.data() + 18);
    const std::pair<QString, QByteArray> bad[] = {
        {QStringLiteral("空文件.jpg"), QByteArray("")},
        {QStringLiteral("半截 照片.jpg"), jpeg.left(jpeg.size() / 2)},
        {QStringLiteral("巨大.jpg"), test::JpegClaimingSize(test::SmoothImage(8, 8), 65000, 65000)},
        {QStringLiteral("负宽.bmp"), negative},
        {QStringLiteral("文字 😀.jpg"), QByteArray("这不是图片\n")},
        {QStringLiteral("随后删除.jpg"), jpeg},
    };
    for (const auto& [name, data] : bad) {
        test::WriteBytes(data, dir.file(name));
        c.bad << name;
        c.bytes[name] = data;
    }
    test::WriteBytes(test::CmykJpeg(24, 16, 0, 0, 255, 0), dir.file(QStringLiteral("印刷.jpg")));
    test::PatternImage(20, 10).save(dir.file(QStringLiteral("其实是 PNG.jpg")), "png");
    test::WriteJpeg(test::SmoothImage(30, 20), dir.file(QStringLiteral("表情 😀 照片.JPG")));
    test::WriteBytes(test::MonoBmp(), dir.file(QStringLiteral("黑白.bmp")));
    test::WriteBytes(test::Rgb16Bmp(), dir.file(QStringLiteral("16位.BMP")));
    c.valid << QStringLiteral("印刷.jpg") << QStringLiteral("其实是 PNG.jpg")
            << QStringLiteral("表情 😀 照片.JPG") << QStringLiteral("黑白.bmp")
            << QStringLiteral("16位.BMP");
    return c;
}

TEST_F(BadFilesRunTest, BadFilesAreNamedAndLeftAsTheyWereWhileTheRestIsCompressed) {
    for (const bool overwrite : {false, true}) {
        test::TempDir here;
        const Catalogue c = makeCatalogue(here);
        form.Command4->click();  // empty the list from the round before
        add(here.path(), c.bad + c.valid);
        QFile::remove(here.file(QStringLiteral("随后删除.jpg")));
        form.Check1->setChecked(overwrite);

        const QString message = run();
        EXPECT_TRUE(message.startsWith(QStringLiteral("共 11 个文件，已压缩并保存 5 个。")))
            << message;
        for (const QString& name : c.bad) {
            EXPECT_TRUE(message.contains(name + QStringLiteral("："))) << name << "\n" << message;
            if (name != QStringLiteral("随后删除.jpg")) {
                EXPECT_EQ(test::ReadBytes(here.file(name)), c.bytes[name]) << name;
            }
        }
        for (const QString& name : c.valid) {
            EXPECT_FALSE(message.contains(name)) << name;
        }
        // Nothing but the valid files' copies was added, and no temporary file stayed.
        QStringList expected = c.bad + c.valid;
        expected.removeAll(QStringLiteral("随后删除.jpg"));
        if (!overwrite) {
            expected << QStringLiteral("印刷_YS.jpg") << QStringLiteral("其实是 PNG_YS.jpg")
                     << QStringLiteral("表情 😀 照片_YS.JPG");
        }
        // A BMP keeps its file and gets a JPEG beside it, ticked or not.
        expected << (overwrite ? QStringLiteral("黑白.jpg") : QStringLiteral("黑白_YS.jpg"))
                 << (overwrite ? QStringLiteral("16位.jpg") : QStringLiteral("16位_YS.jpg"));
        QStringList present = QDir(here.path()).entryList(QDir::Files | QDir::Hidden);
        expected.sort();
        present.sort();
        EXPECT_EQ(present, expected) << (overwrite ? "overwrite" : "beside");
        // The compressed files are real JPEGs of the pictures.
        const QString cmyk =
            here.file(overwrite ? QStringLiteral("印刷.jpg") : QStringLiteral("印刷_YS.jpg"));
        EXPECT_EQ(LoadPicture(cmyk).size(), QSize(24, 16));
        EXPECT_TRUE(test::ReadBytes(cmyk).startsWith("\xff\xd8\xff"));
    }
}

}  // namespace
}  // namespace lanxi
