#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <map>

#include "codec/loader.h"
#include "compress/batch_run.h"
#include "tests/batch/batch_fixture.h"
#include "tests/support/bad_files.h"
#include "tests/support/bmp.h"
#include "tests/support/filesystems.h"

namespace lanxi {
namespace {

using BadFilesRunTest = test::BatchTest;

// Files from anywhere, listed in one batch: the ones that are not pictures, or whose data is
// damaged, are named with their reason and left exactly as they were; the valid ones are
// compressed; and the run ends (no row waits on a pipe or reads a device for ever).
TEST_F(BadFilesRunTest, BadFilesAreNamedAndLeftAsTheyWereWhileTheRestIsCompressed) {
    for (const bool overwrite : {false, true}) {
        test::TempDir here;
        std::vector<test::BadFile> bad = test::MakeBadFiles(here);
        bad.push_back({QStringLiteral("损坏.jpg"), QStringLiteral("损坏"),
                       test::DamagedRestartMarkers(test::SmoothImage(256, 256))});
        test::WriteBytes(bad.back().bytes, here.file(bad.back().name));
        test::WriteBytes(test::CmykJpeg(24, 16, 0, 0, 255, 0),
                         here.file(QStringLiteral("印刷.jpg")));
        test::PatternImage(20, 10).save(here.file(QStringLiteral("其实是 PNG.jpg")), "png");
        test::WriteJpeg(test::SmoothImage(30, 20), here.file(QStringLiteral("表情 😀 照片.JPG")));
        test::WriteBytes(test::MonoBmp(), here.file(QStringLiteral("黑白.bmp")));
        test::WriteBytes(test::Rgb16Bmp(), here.file(QStringLiteral("16位.BMP")));
        const QStringList valid = {"印刷.jpg", "其实是 PNG.jpg", "表情 😀 照片.JPG", "黑白.bmp",
                                   "16位.BMP"};
        const QStringList before = test::DirectoryEntries(here.path());
        // Rows are added by name, as the file list would have shown them before they changed.
        form.Command4->click();
        for (const test::BadFile& f : bad) {
            form.List1->AddItem(BatchRow{f.name, QDir::toNativeSeparators(here.path())});
        }
        add(here.path(), valid);
        form.Check1->setChecked(overwrite);
        // The message lists ten reasons at most; every row's own is read from the run.
        std::map<QString, QString> reasons;
        QObject::connect(&form, &Form2::runStarted, &form, [&](BatchRun* r) {
            QObject::connect(r, &BatchRun::rowFinished, &form, [&, r](int row) {
                reasons[QFileInfo(r->jobs()[std::size_t(row)].source).fileName()] =
                    r->results()[std::size_t(row)]->reason;
            });
        });

        const QString message = run();
        EXPECT_TRUE(message.startsWith(
            QStringLiteral("共 %1 个文件，已压缩并保存 5 个。").arg(bad.size() + valid.size())))
            << message;
        for (const test::BadFile& f : bad) {
            EXPECT_TRUE(reasons[f.name].contains(f.reason)) << f.name << ": " << reasons[f.name];
            if (!f.special()) {
                EXPECT_EQ(test::ReadBytes(here.file(f.name)), f.bytes) << f.name;
            }
        }
        // Nothing but the valid files' copies was added, and no temporary file stayed.
        QStringList expected = before;
        if (!overwrite) {
            expected << QStringLiteral("印刷_YS.jpg") << QStringLiteral("其实是 PNG_YS.jpg")
                     << QStringLiteral("表情 😀 照片_YS.JPG");
        }
        // A BMP keeps its file and gets a JPEG beside it, ticked or not.
        expected << (overwrite ? QStringLiteral("黑白.jpg") : QStringLiteral("黑白_YS.jpg"))
                 << (overwrite ? QStringLiteral("16位.jpg") : QStringLiteral("16位_YS.jpg"));
        expected.sort();
        EXPECT_EQ(test::DirectoryEntries(here.path()), expected)
            << (overwrite ? "overwrite" : "beside");
        const QString cmyk =
            here.file(overwrite ? QStringLiteral("印刷.jpg") : QStringLiteral("印刷_YS.jpg"));
        EXPECT_EQ(LoadPicture(cmyk).size(), QSize(24, 16));
        EXPECT_TRUE(test::ReadBytes(cmyk).startsWith("\xff\xd8\xff"));
    }
}

#ifdef Q_OS_UNIX
// A folder may carry links under the names the run makes up: a link under a "_YS" name is
// replaced with the copy, and nothing is ever written where it leads; a link standing where a
// BMP's JPEG goes is somebody's file, and the BMP's row is refused. Only a JPEG compressed over
// itself, as asked, is written through its link into the real file.
TEST_F(BadFilesRunTest, LinksUnderTheNamesTheRunMakesAreReplacedNeverFollowed) {
    test::TempDir elsewhere;
    const QByteArray old = "a file outside the picture folder";
    const auto outside = [&](const char* n) { return elsewhere.file(QString::fromUtf8(n)); };
    const auto inside = [&](const char* n) { return dir.file(QString::fromUtf8(n)); };
    test::WriteBytes(old, outside("受害.jpg"));
    test::WriteJpeg(test::SmoothImage(40, 30), outside("原图.jpg"));
    test::WriteJpeg(test::SmoothImage(64, 48), inside("a.jpg"));
    test::WriteBmp(test::PatternImage(32, 24), inside("b.bmp"));
    ASSERT_TRUE(QFile::link(outside("受害.jpg"), inside("a_YS.jpg")));
    ASSERT_TRUE(QFile::link(outside("受害.jpg"), inside("b_YS.jpg")));
    ASSERT_TRUE(QFile::link(outside("新建.jpg"), inside("b.jpg")));  // leads nowhere yet
    ASSERT_TRUE(QFile::link(outside("原图.jpg"), inside("c.jpg")));
    const QByteArray original = test::ReadBytes(outside("原图.jpg"));
    // A name that cannot take "_YS" within the system's 255 bytes is named as too long.
    const QString longName = QString(83, QChar(0x957f)) + QStringLiteral(".jpg");
    test::WriteJpeg(test::SmoothImage(8, 8), dir.file(longName));

    add(dir.path(), {"a.jpg", "b.bmp", longName});
    EXPECT_TRUE(run().contains(longName + QStringLiteral("：无法写入")));
    form.Command4->click();
    add(dir.path(), {"b.bmp", "c.jpg"});
    form.Check1->setChecked(true);
    EXPECT_TRUE(run().endsWith(
        QStringLiteral("b.bmp：旁边已有文件“b.jpg”，它不是这个图片的副本，没有覆盖它")));
    EXPECT_TRUE(QFileInfo(inside("b.jpg")).isSymLink());

    for (const char* made : {"a_YS.jpg", "b_YS.jpg"}) {
        EXPECT_FALSE(QFileInfo(inside(made)).isSymLink()) << made;
        EXPECT_TRUE(test::ReadBytes(inside(made)).startsWith("\xff\xd8\xff")) << made;
    }
    EXPECT_EQ(test::ReadBytes(outside("受害.jpg")), old);
    EXPECT_TRUE(QFileInfo(inside("c.jpg")).isSymLink());
    EXPECT_NE(test::ReadBytes(outside("原图.jpg")), original);
    EXPECT_EQ(LoadPicture(outside("原图.jpg")).size(), QSize(40, 30));
    EXPECT_EQ(test::DirectoryEntries(elsewhere.path()), QStringList({"原图.jpg", "受害.jpg"}));
    EXPECT_TRUE(ui.messages.front().text.contains(QStringLiteral("太长")))
        << ui.messages.front().text;
}
#endif

}  // namespace
}  // namespace lanxi
