// The compression run on real files: where each row's JPEG goes, what happens to the sources,
// the rows that fail, the progress dialog and the closing message.
#include <QFileInfo>
#include <QSignalSpy>
#include <QTimer>
#include <QWindow>

#include "batch/batch_progress.h"
#include "codec/loader.h"
#include "compress/batch_run.h"
#include "tests/batch/batch_fixture.h"
#include "tests/support/accessibility.h"
#include "tests/support/filesystems.h"
#include "tests/support/jpeg_info.h"

namespace lanxi {
namespace {

using test::ReadBytes;
using RunTest = test::BatchTest;

const QString kDone = QStringLiteral("文件压缩并保存完毕！");

using test::Tinted;

// True when the file is a JPEG of quality 80 showing the picture (within JPEG's error).
::testing::AssertionResult IsCopyOf(const QString& path, const QImage& picture) {
    const QByteArray bytes = ReadBytes(path);
    const test::JpegInfo info = test::InspectJpeg(bytes);
    if (!info.valid) {
        return ::testing::AssertionFailure() << path << " is not a JPEG";
    }
    if (info.quantTables.empty() || info.quantTables[0] != test::StandardQuantTable(0, 80)) {
        return ::testing::AssertionFailure() << path << " is not of quality 80";
    }
    const int difference = test::MaxDifference(LoadPicture(path).image(), picture);
    if (difference < 0 || difference > 24) {
        return ::testing::AssertionFailure() << path << " differs by " << difference;
    }
    return ::testing::AssertionSuccess();
}

TEST_F(RunTest, AnEmptyListSaysDoneAtOnceAndWritesNothing) {
    browseTo(dir.path());
    EXPECT_EQ(run(), kDone);
    EXPECT_EQ(ui.messages.back().style, 0);
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
}

TEST_F(RunTest, EachRowGetsAYsCopyBesideItAndTheSourcesStay) {
    const QImage picture = Tinted(qRgb(200, 60, 60));
    const QStringList jpegs = {"a.jpg", "c.jpeg", "d.b.jpg", "照片 一.JPG"};
    for (const QString& name : jpegs) {
        test::WriteJpeg(picture, dir.file(name));
    }
    test::WriteBmp(picture, dir.file(QStringLiteral("b.bmp")));
    test::WriteBmp(picture, dir.file(QStringLiteral("e.BMP")));
    QMap<QString, QByteArray> sources;
    for (const QString& name : QDir(dir.path()).entryList(QDir::Files)) {
        sources[name] = ReadBytes(dir.file(name));
    }
    add(dir.path(), {"a.jpg", "b.bmp", "c.jpeg", "d.b.jpg", "e.BMP", "照片 一.JPG"});

    EXPECT_EQ(run(), kDone);
    for (const char* target :
         {"a_YS.jpg", "b_YS.jpg", "c_YS.jpeg", "d_YS.b_YS.jpg", "e_YS.jpg", "照片 一_YS.JPG"}) {
        EXPECT_TRUE(IsCopyOf(dir.file(QString::fromUtf8(target)), picture));
    }
    for (auto it = sources.cbegin(); it != sources.cend(); ++it) {
        EXPECT_EQ(ReadBytes(dir.file(it.key())), it.value()) << it.key();
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 12) << "no stray files";
    // The list stays for another run, and the file list shows the new files.
    EXPECT_EQ(rows(), QStringList({"a.jpg", "b.bmp", "c.jpeg", "d.b.jpg", "e.BMP", "照片 一.JPG"}));
    EXPECT_TRUE(files().contains(QStringLiteral("a_YS.jpg")));
    EXPECT_EQ(run(), kDone);
}

TEST_F(RunTest, OverwritingReplacesTheJpegsAndPutsAJpegBesideEachBmp) {
    const QImage picture = Tinted(qRgb(60, 200, 60));
    test::WriteJpeg(picture, dir.file(QStringLiteral("a.JPG")), 98);
    test::WriteJpeg(picture, dir.file(QStringLiteral("b.jpeg")), 98);
    test::WriteBmp(picture, dir.file(QStringLiteral("c.BMP")));
    const QByteArray bmp = ReadBytes(dir.file(QStringLiteral("c.BMP")));
    const QByteArray jpg = ReadBytes(dir.file(QStringLiteral("a.JPG")));
    add(dir.path(), {"a.JPG", "b.jpeg", "c.BMP"});
    form.Check1->setChecked(true);

    EXPECT_EQ(run(), kDone);
    EXPECT_NE(ReadBytes(dir.file(QStringLiteral("a.JPG"))), jpg);
    EXPECT_TRUE(IsCopyOf(dir.file(QStringLiteral("a.JPG")), picture));
    EXPECT_TRUE(IsCopyOf(dir.file(QStringLiteral("b.jpeg")), picture));
    EXPECT_EQ(ReadBytes(dir.file(QStringLiteral("c.BMP"))), bmp);
    EXPECT_TRUE(IsCopyOf(dir.file(QStringLiteral("c.jpg")), picture));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files),
              QStringList({"a.JPG", "b.jpeg", "c.BMP", "c.jpg"}));
    EXPECT_TRUE(form.Check1->isChecked());
    EXPECT_EQ(rows(), QStringList({"a.JPG", "b.jpeg", "c.BMP"}));
}

TEST_F(RunTest, RowsAreReadFromTheDirectoryTheyWerePickedInNotTheOneShown) {
    const QString one = dir.file(QStringLiteral("一"));
    const QString two = dir.file(QStringLiteral("二"));
    const QString elsewhere = dir.file(QStringLiteral("别处"));
    for (const QString& d : {one, two, elsewhere}) {
        QDir().mkdir(d);
    }
    const QImage red = Tinted(qRgb(220, 40, 40));
    const QImage blue = Tinted(qRgb(40, 40, 220));
    test::WriteJpeg(red, one + QStringLiteral("/a.jpg"));
    test::WriteBmp(blue, two + QStringLiteral("/b.bmp"));
    // An unrelated file of the same name where the browser stands at the time of the run.
    test::WriteJpeg(blue, elsewhere + QStringLiteral("/a.jpg"));
    const QByteArray unrelated = ReadBytes(elsewhere + QStringLiteral("/a.jpg"));
    add(one, {"a.jpg"});
    add(two, {"b.bmp"});
    browseTo(elsewhere);
    form.Check1->setChecked(true);

    EXPECT_EQ(run(), kDone);
    EXPECT_TRUE(IsCopyOf(one + QStringLiteral("/a.jpg"), red));
    EXPECT_TRUE(IsCopyOf(two + QStringLiteral("/b.jpg"), blue));
    EXPECT_EQ(ReadBytes(elsewhere + QStringLiteral("/a.jpg")), unrelated);
    EXPECT_FALSE(QFileInfo::exists(elsewhere + QStringLiteral("/b.jpg")));
}

// Two rows that would write one file: the earlier row writes it, the later one is refused with
// a word, and no picture is lost, also over the sources, where the BMP's JPEG would have taken
// the photograph's place.
TEST_F(RunTest, TwoRowsThatWouldWriteOneFileLoseNothing) {
    const QImage red = Tinted(qRgb(220, 40, 40));
    const QImage blue = Tinted(qRgb(40, 40, 220));
    test::WriteBmp(red, dir.file(QStringLiteral("a.bmp")));
    test::WriteJpeg(blue, dir.file(QStringLiteral("a.jpg")));
    add(dir.path(), {"a.bmp", "a.jpg"});
    EXPECT_EQ(run(), QStringLiteral("共 2 个文件，已压缩并保存 1 个。\n\n以下 1 个文件没有保存：\n"
                                    "a.jpg：和“a.bmp”要写到同一个文件“a_YS.jpg”，为免互相覆盖，"
                                    "没有压缩这一个"));
    EXPECT_TRUE(IsCopyOf(dir.file(QStringLiteral("a_YS.jpg")), red));

    form.Command4->click();
    add(dir.path(), {"a.jpg", "a.bmp"});
    form.Check1->setChecked(true);
    EXPECT_TRUE(run().endsWith(QStringLiteral("a.bmp：会覆盖列表中的另一个文件“a.jpg”，没有压缩")));
    EXPECT_TRUE(IsCopyOf(dir.file(QStringLiteral("a.jpg")), blue));
    EXPECT_TRUE(QFileInfo::exists(dir.file(QStringLiteral("a.bmp"))));
}

TEST_F(RunTest, RowsThatCannotBeDoneAreNamedWithTheirReasonsAndTheRunGoesOn) {
    const QImage picture = Tinted(qRgb(200, 200, 40));
    test::WriteJpeg(picture, dir.file(QStringLiteral("first.jpg")));
    test::WriteJpeg(picture, dir.file(QStringLiteral("gone.jpg")));
    test::WriteBytes("not a picture at all", dir.file(QStringLiteral("text.jpg")));
    test::WriteBmp(picture, dir.file(QStringLiteral("last.bmp")));
    // A folder where the copy should go.
    test::WriteJpeg(picture, dir.file(QStringLiteral("blocked.jpg")));
    QDir(dir.path()).mkdir(QStringLiteral("blocked_YS.jpg"));
    add(dir.path(), {"first.jpg", "gone.jpg", "text.jpg", "blocked.jpg", "last.bmp"});
    QFile::remove(dir.file(QStringLiteral("gone.jpg")));

    const QString message = run();
    EXPECT_EQ(message,
              QStringLiteral("共 5 个文件，已压缩并保存 2 个。\n\n以下 3 个文件没有保存：\n"
                             "gone.jpg：无法读出图片，文件不存在\n"
                             "text.jpg：无法读出图片，不是可识别的图片文件（可以打开 "
                             "JPEG、BMP、PNG、WebP 和 HEIC 图片）\n"
                             "blocked.jpg：无法写入“blocked_YS.jpg”，已有同名的文件夹"));
    EXPECT_EQ(ui.messages.back().style, 48);
    EXPECT_TRUE(IsCopyOf(dir.file(QStringLiteral("first_YS.jpg")), picture));
    EXPECT_TRUE(IsCopyOf(dir.file(QStringLiteral("last_YS.jpg")), picture));
    EXPECT_FALSE(QFileInfo::exists(dir.file(QStringLiteral("text_YS.jpg"))));
}

TEST_F(RunTest, ATargetInAReadOnlyPlaceIsReportedAndNothingThereChanges) {
    test::ReadOnlyDirectory locked;
    const QImage picture = Tinted(qRgb(40, 200, 200));
    test::WriteJpeg(picture, locked.file(QStringLiteral("a.jpg")));
    const QByteArray source = ReadBytes(locked.file(QStringLiteral("a.jpg")));
    if (!locked.lock()) {
        GTEST_SKIP() << locked.why();
    }
    test::WriteJpeg(picture, dir.file(QStringLiteral("b.jpg")));
    add(locked.path(), {"a.jpg"});
    add(dir.path(), {"b.jpg"});
    const QStringList before = test::DirectoryEntries(locked.path());

    for (bool overwrite : {false, true}) {
        form.Check1->setChecked(overwrite);
        const QString message = run();
        EXPECT_TRUE(message.startsWith(QStringLiteral("共 2 个文件，已压缩并保存 1 个。")))
            << message;
        EXPECT_TRUE(message.contains(QStringLiteral("a.jpg：无法写入")) &&
                    message.contains(QStringLiteral("只读")))
            << message;
        EXPECT_EQ(test::DirectoryEntries(locked.path()), before);
        EXPECT_EQ(ReadBytes(locked.file(QStringLiteral("a.jpg"))), source);
    }
}

TEST_F(RunTest, AnOverwriteThatFailsOnAFullDiskLeavesTheSourceIntact) {
    test::SmallFilesystem disk(256 * 1024);
    if (!disk.mounted()) {
        GTEST_SKIP() << disk.why();
    }
    const QImage picture = test::PatternImage(160, 120);
    test::WriteJpeg(picture, disk.file(QStringLiteral("a.jpg")));
    const QByteArray source = ReadBytes(disk.file(QStringLiteral("a.jpg")));
    if (!disk.fill()) {
        GTEST_SKIP() << disk.why();
    }
    add(disk.path(), {"a.jpg"});
    form.Check1->setChecked(true);
    const QStringList before = test::DirectoryEntries(disk.path());

    EXPECT_EQ(run(), QStringLiteral("共 1 个文件，已压缩并保存 0 个。\n\n以下 1 个文件没有保存：\n"
                                    "a.jpg：无法写入“a.jpg”，磁盘空间不足"));
    EXPECT_EQ(ReadBytes(disk.file(QStringLiteral("a.jpg"))), source);
    EXPECT_EQ(test::DirectoryEntries(disk.path()), before) << "no temporary file left";
}

TEST_F(RunTest, AWindowModalProgressDialogFollowsTheRunWhileTheWindowsStayAlive) {
    const QImage picture = Tinted(qRgb(120, 120, 220), 320, 240);
    QStringList names;
    for (int i = 0; i < 4; ++i) {
        names << QStringLiteral("图%1.jpg").arg(i);
        test::WriteJpeg(picture, dir.file(names.back()));
    }
    add(dir.path(), names);

    QStringList counts;
    QStringList current;
    bool blocked = false;
    bool aliveMeanwhile = false;
    // A screen reader hears the dialog's controls by name, and the count of files done as it
    // changes (the bar tells its own).
    test::ReaderEvents reader;
    EXPECT_EQ(test::UnnamedControls(form.window()), QStringList());
    const QLabel* count = nullptr;
    QObject::connect(&form, &Form2::runStarted, &form, [&](BatchRun* run) {
        auto* progress = form.window()->findChild<BatchProgress*>(QStringLiteral("BatchProgress"));
        ASSERT_NE(progress, nullptr);
        EXPECT_EQ(test::UnnamedControls(progress), QStringList());
        count = progress->findChild<QLabel*>(QStringLiteral("count"));
        EXPECT_TRUE(progress->isVisible());
        EXPECT_EQ(progress->windowModality(), Qt::WindowModal);
        EXPECT_EQ(QApplication::activeModalWidget(), progress);
        QObject::connect(run, &BatchRun::rowStarted, progress, [&, progress] {
            current << progress->findChild<QLabel*>(QStringLiteral("file"))->toolTip();
        });
        QObject::connect(run, &BatchRun::rowFinished, progress, [&, progress] {
            counts << progress->findChild<QLabel*>(QStringLiteral("count"))->text();
        });
        // A click on "清空" meanwhile, delivered as the window system delivers it, is held back.
        QTimer::singleShot(0, &form, [&] {
            aliveMeanwhile = form.window()->findChild<BatchProgress*>() != nullptr;
            QWindow* window = form.window()->windowHandle();
            const QPoint at = form.Command4->mapTo(form.window(), form.Command4->rect().center());
            QTest::mouseClick(window, Qt::LeftButton, {}, at);
            blocked = form.List1->ListCount() == 4;
        });
    });

    EXPECT_EQ(run(), kDone);
    EXPECT_EQ(current, names);
    EXPECT_EQ(counts, QStringList({"已完成 1 / 4 个文件", "已完成 2 / 4 个文件",
                                   "已完成 3 / 4 个文件", "已完成 4 / 4 个文件"}));
    EXPECT_TRUE(aliveMeanwhile) << "events were handled while the run worked";
    EXPECT_EQ(reader.Count(count, QAccessible::ValueChanged), 5) << "none done, then each file";
    EXPECT_TRUE(blocked);
    EXPECT_EQ(rows(), names);
    EXPECT_EQ(form.window()->findChild<BatchProgress*>(), nullptr) << "the dialog has gone";
    // The same click once the run is over does clear the list.
    QTest::mouseClick(form.window()->windowHandle(), Qt::LeftButton, {},
                      form.Command4->mapTo(form.window(), form.Command4->rect().center()));
    EXPECT_EQ(form.List1->ListCount(), 0);
}

TEST_F(RunTest, StopEndsTheRunAtOnceWithoutWritingTheFileInFlight) {
    const QImage picture = Tinted(qRgb(220, 120, 20));
    QStringList names;
    for (int i = 0; i < 5; ++i) {
        names << QStringLiteral("p%1.jpg").arg(i);
        test::WriteJpeg(picture, dir.file(names.back()));
    }
    add(dir.path(), names);
    QObject::connect(&form, &Form2::runStarted, &form, [&](BatchRun* run) {
        QObject::connect(run, &BatchRun::rowStarted, &form, [&] {
            auto* progress = form.window()->findChild<BatchProgress*>();
            if (progress->findChild<QPushButton*>(QStringLiteral("stop"))->isEnabled()) {
                QTest::mouseClick(progress->findChild<QPushButton*>(QStringLiteral("stop")),
                                  Qt::LeftButton);
                EXPECT_FALSE(
                    progress->findChild<QPushButton*>(QStringLiteral("stop"))->isEnabled());
            }
        });
    });

    EXPECT_EQ(run(), QStringLiteral(
                         "压缩已停止。共 5 个文件，已压缩并保存 0 个。\n另有 5 个文件没有处理。"));
    EXPECT_EQ(ui.messages.back().style, 64);
    EXPECT_EQ(test::DirectoryEntries(dir.path()), names);
}

TEST_F(RunTest, AWindowClosedDuringARunEndsItQuietlyAndOpensAgainAfresh) {
    test::WriteJpeg(Tinted(qRgb(20, 120, 220)), dir.file(QStringLiteral("a.jpg")));
    test::WriteJpeg(Tinted(qRgb(20, 120, 220)), dir.file(QStringLiteral("b.jpg")));
    add(dir.path(), {"a.jpg", "b.jpg"});
    // The window closes as the first row starts, and whatever it leaves to be freed goes at
    // once: the row lands on a closed window.
    QObject::connect(&form, &Form2::runStarted, &form, [&](BatchRun* run) {
        QObject::connect(run, &BatchRun::rowStarted, &form, [&] {
            form.Unload();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        });
    });
    test::Click(form.Command1);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_FALSE(form.IsLoaded());
    EXPECT_TRUE(form.List1.isNull() && form.File1.isNull() && form.Command1.isNull());
    EXPECT_EQ(test::DirectoryEntries(dir.path()), QStringList({"a.jpg", "b.jpg"}));
    QApplication::processEvents();
    form.Show();
    EXPECT_EQ(form.List1->ListCount(), 0);
}

}  // namespace
}  // namespace lanxi
