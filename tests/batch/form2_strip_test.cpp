// The batch window's strip for the site's limits, and files dropped on its list.
#include <QComboBox>
#include <QFileInfo>
#include <QLocale>
#include <QMimeData>
#include <QUrl>

#include "codec/formats.h"
#include "codec/loader.h"
#include "forms/remembered.h"
#include "tests/batch/batch_fixture.h"
#include "tests/support/accessibility.h"

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

// After a run, "查看结果" lists every row with the bytes and pixels of its source and of the file
// written, sorts by any column, and shows a written copy against its source from the keyboard;
// the list lasts until the next run.
TEST_F(StripTest, TheResultsListTellsWhatTheRunWroteAndPreviewsACopy) {
    test::WriteJpeg(test::PhotoImage(1800, 1200), dir.file(QStringLiteral("照片.jpg")));
    test::WriteBmp(test::PhotoImage(400, 600), dir.file(QStringLiteral("竖图.bmp")));
    test::WriteBytes("no picture", dir.file(QStringLiteral("坏.jpg")));
    add(dir.path(), {"照片.jpg", "竖图.bmp", "坏.jpg"});
    for (int i = 0; i < form.Combo1->count(); ++i) {
        if (PresetAt(i) == SitePreset::Article) {
            form.Combo1->setCurrentIndex(i);
        }
    }
    EXPECT_FALSE(form.Command5->isEnabled());
    run();
    ASSERT_TRUE(form.Command5->isEnabled());
    test::Click(form.Command5);
    BatchResults* results = form.Results();
    ASSERT_NE(results, nullptr);
    QTableView* table = results->Table();
    const auto cell = [&](int row, int column, int role = Qt::DisplayRole) {
        return table->model()->index(row, column).data(role).toString();
    };
    ASSERT_EQ(table->model()->rowCount(), 3);
    const QSize sources[] = {{1800, 1200}, {400, 600}};
    for (int row = 0; row < 2; ++row) {
        const QString source = dir.file(cell(row, BatchResults::Name));
        const QString copy = dir.file(cell(row, BatchResults::Copy));
        const QSize written = LoadPicture(copy).size();
        EXPECT_EQ(cell(row, BatchResults::Bytes, Qt::ToolTipRole),
                  QStringLiteral("%1 → %2 字节")
                      .arg(QLocale(QLocale::Chinese).toString(QFileInfo(source).size()),
                           QLocale(QLocale::Chinese).toString(QFileInfo(copy).size())));
        EXPECT_EQ(cell(row, BatchResults::Pixels), QStringLiteral("%1 × %2 → %3 × %4")
                                                       .arg(sources[row].width())
                                                       .arg(sources[row].height())
                                                       .arg(written.width())
                                                       .arg(written.height()));
        EXPECT_EQ(cell(row, BatchResults::Outcome), QStringLiteral("已写入"));
    }
    EXPECT_EQ(cell(0, BatchResults::Copy), QStringLiteral("照片_YS.jpg"));
    EXPECT_TRUE(cell(2, BatchResults::Outcome).startsWith(QStringLiteral("失败：无法读出图片")));
    EXPECT_EQ(test::UnnamedControls(results), QStringList());

    // The largest copy first, then the keys: Enter on it opens its preview.
    table->sortByColumn(BatchResults::Bytes, Qt::DescendingOrder);
    EXPECT_EQ(cell(0, BatchResults::Name), QStringLiteral("照片.jpg"));
    EXPECT_EQ(cell(2, BatchResults::Name), QStringLiteral("坏.jpg"));
    table->setFocus();
    table->setCurrentIndex(table->model()->index(0, 0));
    QTest::keyClick(table, Qt::Key_Return);
    CopyPreview* preview = results->Preview();
    ASSERT_NE(preview, nullptr);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !preview->Loading(); }, 30'000));
    EXPECT_EQ(preview->Canvas()->copy().image(),
              LoadPicture(dir.file(QStringLiteral("照片_YS.jpg"))).image());
    EXPECT_TRUE(preview->Canvas()->canCompare());
    EXPECT_EQ(preview->Shown().reduction, kFittedReduction) << "compared as the copy was made";
    results->ShowRow(2);
    EXPECT_EQ(results->findChild<VbLabel*>(QStringLiteral("status"))->Caption(),
              QStringLiteral("“坏.jpg”没有写入副本，没有可以预览的图片。"));

    // The next run forgets this one's results.
    run();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(form.Results(), nullptr);
    EXPECT_TRUE(form.Command5->isEnabled());
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

// What a file manager's right-click hands over is compressed at once with the preset it names:
// a folder gives its own files of every format the program reads, as the browser lists them with
// Check2 ticked, whatever Check2 says; a named file is a row whatever it is, and the closing
// message says why one is not written. Nothing is written over (Check1 ticked or not), the list
// the user had made gives way, and the preset is not remembered as the user's choice.
TEST_F(StripTest, FilesHandedOverAreCompressedAtOnceWithTheirPreset) {
    Remembered::UseFile(dir.file(QStringLiteral("remembered.ini")));
    const QString folder = dir.file(QStringLiteral("相册"));
    ASSERT_TRUE(QDir().mkpath(folder + QStringLiteral("/更深")));
    test::WriteJpeg(test::PhotoImage(1200, 900), dir.file(QStringLiteral("照片.jpg")));
    test::WriteBytes("GIF89a", dir.file(QStringLiteral("动图.gif")));
    ASSERT_TRUE(test::SmoothImage(800, 600).save(folder + QStringLiteral("/截图.png")));
    test::WriteBmp(test::SmoothImage(300, 400), folder + QStringLiteral("/b.BMP"));
    test::WriteJpeg(test::SmoothImage(8, 8), folder + QStringLiteral("/更深/深.jpg"));
    test::WriteBytes("text", folder + QStringLiteral("/说明.txt"));
    const QByteArray photo = test::ReadBytes(dir.file(QStringLiteral("照片.jpg")));
    const QStringList listed = MatchingFiles(folder, EveryPictureWildcards());
    EXPECT_EQ(listed, QStringList({"b.BMP", "截图.png"}));
    form.List1->AddItem(BatchRow{QStringLiteral("旧的.jpg"), dir.path()});
    form.Check1->setChecked(true);

    form.CompressHandedOver({QDir::toNativeSeparators(dir.file(QStringLiteral("照片.jpg"))),
                             QDir::toNativeSeparators(dir.file(QStringLiteral("动图.gif"))),
                             QDir::toNativeSeparators(folder)},
                            SitePreset::Avatar210);

    EXPECT_EQ(rows(), QStringList({"照片.jpg", "动图.gif"}) + listed);
    EXPECT_EQ(form.Preset(), SitePreset::Avatar210);
    EXPECT_FALSE(form.Check1->isChecked());
    ASSERT_EQ(ui.messages.size(), 1u);
    const QString message = ui.messages.back().text;
    EXPECT_TRUE(message.startsWith(QStringLiteral("共 4 个文件，已压缩并保存 3 个。"))) << message;
    EXPECT_TRUE(message.contains(QStringLiteral("动图.gif：这是 GIF 图片"))) << message;
    EXPECT_EQ(test::ReadBytes(dir.file(QStringLiteral("照片.jpg"))), photo);
    EXPECT_EQ(LoadPicture(dir.file(QStringLiteral("照片_YS.jpg"))).size(), QSize(280, 210));
    EXPECT_EQ(LoadPicture(folder + QStringLiteral("/b_YS.jpg")).size(), QSize(210, 280));
    EXPECT_EQ(LoadPicture(folder + QStringLiteral("/截图_YS.jpg")).size(), QSize(280, 210));
    EXPECT_FALSE(QFileInfo::exists(folder + QStringLiteral("/更深/深_YS.jpg")));

    // A folder with no picture says so; nothing handed over only shows the window, the preset
    // chosen. The user's own choice of preset is the one the next showing starts with.
    ASSERT_TRUE(QDir().mkpath(dir.file(QStringLiteral("空"))));
    form.CompressHandedOver({QDir::toNativeSeparators(dir.file(QStringLiteral("空")))},
                            SitePreset::IdCard);
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_TRUE(
        ui.messages.back().text.startsWith(QStringLiteral("所选的文件夹里没有可以压缩的图片")))
        << ui.messages.back().text;
    form.CompressHandedOver({}, SitePreset::Article);
    EXPECT_EQ(form.Preset(), SitePreset::Article);
    EXPECT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(form.List1->ListCount(), 0);
    form.Unload();
    QApplication::processEvents();
    form.Show();
    EXPECT_EQ(form.Preset(), SitePreset::Unlimited);
    Remembered::UseFile({});
}

}  // namespace
}  // namespace lanxi
