// The batch window's strip for the site's limits, and files dropped on its list.
#include <QComboBox>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

#include "codec/loader.h"
#include "tests/batch/batch_fixture.h"

namespace lanxi {
namespace {

using StripTest = test::BatchTest;

TEST_F(StripTest, WithAPresetEveryRowIsFittedAndTheMessageTellsTheBytes) {
    test::WriteJpeg(test::PhotoImage(1800, 1200), dir.file(QStringLiteral("照片.jpg")));
    test::WriteBmp(test::PhotoImage(900, 1350), dir.file(QStringLiteral("竖图.bmp")));
    add(dir.path(), {"照片.jpg", "竖图.bmp"});
    EXPECT_EQ(PresetAt(form.Combo1->currentIndex()), SitePreset::Unlimited) << "today's run";
    for (int i = 0; i < form.Combo1->count(); ++i) {
        if (PresetAt(i) == SitePreset::Avatar310) {
            form.Combo1->setCurrentIndex(i);
        }
    }

    const QString message = run();
    EXPECT_TRUE(
        message.startsWith(QStringLiteral("文件压缩并保存完毕！\n已保存的 2 个文件压缩前共 ")))
        << message;
    const QSize sizes[] = {{465, 310}, {310, 465}};
    const char* copies[] = {"照片_YS.jpg", "竖图_YS.jpg"};
    for (int i = 0; i < 2; ++i) {
        const QString copy = dir.file(QString::fromUtf8(copies[i]));
        EXPECT_LE(QFileInfo(copy).size(), 200'000) << copies[i];
        EXPECT_EQ(LoadPicture(copy).size(), sizes[i]) << copies[i];
    }
}

// Files and folders from the file manager: a file of any format the program reads becomes a row
// remembering its directory; a folder gives its own files that the browser lists (BMP and JPEG,
// every picture once Check2 is ticked), not its subfolders'; a name already in the list is not
// added again.
TEST_F(StripTest, FilesAndFoldersDroppedOnTheListBecomeRows) {
    const QString folder = dir.file(QStringLiteral("相册"));
    const QString inner = dir.file(QStringLiteral("相册/更深"));
    ASSERT_TRUE(QDir().mkpath(inner));
    for (const QString& path : {dir.file(QStringLiteral("a.jpg")), folder + "/b.BMP",
                                folder + "/c.jpeg", folder + "/a.jpg", inner + "/d.jpg"}) {
        test::WriteJpeg(test::SmoothImage(8, 8), path);
    }
    for (const QString& path : {dir.file(QStringLiteral("截图.png")), folder + "/e.webp"}) {
        test::WriteBytes("any", path);
    }
    test::WriteBytes("text", folder + QStringLiteral("/说明.txt"));
    test::WriteBytes("text", dir.file(QStringLiteral("说明.txt")));

    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(dir.file(QStringLiteral("a.jpg"))),
                  QUrl::fromLocalFile(dir.file(QStringLiteral("截图.png"))),
                  QUrl::fromLocalFile(dir.file(QStringLiteral("说明.txt"))),
                  QUrl::fromLocalFile(folder), QUrl(QStringLiteral("https://example.org/x.jpg"))});
    EXPECT_TRUE(test::Drop(form.List1->viewport(), {20, 20}, &data));
    EXPECT_EQ(rows(), QStringList({"a.jpg", "截图.png", "b.BMP", "c.jpeg"}));
    const BatchList& list = form.List1->Rows();
    EXPECT_EQ(list.at(0).path(), QDir::toNativeSeparators(dir.file(QStringLiteral("a.jpg"))));
    EXPECT_EQ(list.at(2).path(), QDir::toNativeSeparators(folder + QStringLiteral("/b.BMP")));

    // Ticked, the browser lists the other pictures too, and a dropped folder gives them.
    form.Dir1->setPath(folder);
    EXPECT_EQ(form.File1->count(), 3);
    form.Check2->click();
    EXPECT_EQ(form.File1->count(), 4);
    form.List1->Clear();
    QMimeData again;
    again.setUrls({QUrl::fromLocalFile(folder)});
    EXPECT_TRUE(test::Drop(form.List1->viewport(), {20, 20}, &again));
    EXPECT_EQ(rows(), QStringList({"a.jpg", "b.BMP", "c.jpeg", "e.webp"}));
}

}  // namespace
}  // namespace lanxi
