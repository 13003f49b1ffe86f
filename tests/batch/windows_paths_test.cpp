// What only Windows has: drive letters in the drive list, paths with "\", a drive's root joined
// with a file name, and "_YS" copies written into a folder with a dot in its name. Elsewhere the
// drive list shows mounted volumes, which the other batch tests cover.
#include <QtGlobal>

#ifdef Q_OS_WIN

#include <QAbstractItemView>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStorageInfo>

#include "codec/loader.h"
#include "compress/batch_plan.h"
#include "tests/batch/batch_fixture.h"

namespace lanxi {
namespace {

using WindowsDriveTest = test::BatchTest;

QString N(const QString& path) {
    return QDir::toNativeSeparators(path);
}

TEST(WindowsPaths, DrivesAreLettersAndARootJoinsAFileNameWithOneBackslash) {
    const QRegularExpression letter(QStringLiteral("^[a-z]:$"));
    const QList<DriveEntry> drives = ListDrives();
    ASSERT_FALSE(drives.isEmpty());
    QStringList letters;
    for (const DriveEntry& d : drives) {
        EXPECT_TRUE(letter.match(d.drive).hasMatch()) << d.drive;
        letters << d.drive;
    }
    const QString current = DriveOf(QDir::currentPath());
    EXPECT_EQ(current, QDir::currentPath().left(2).toLower());
    EXPECT_TRUE(letters.contains(current)) << letters.join(' ');

    EXPECT_EQ(DriveOf(QStringLiteral("D:\\my.pics\\a.jpg")), QStringLiteral("d:"));
    EXPECT_EQ(DriveOf(QStringLiteral("e:/x")), QStringLiteral("e:"));
    EXPECT_TRUE(IsDrive(QStringLiteral("c:")));
    EXPECT_TRUE(IsDrive(QStringLiteral("Q:")));
    EXPECT_FALSE(IsDrive(QStringLiteral("c:\\")));
    EXPECT_FALSE(IsDrive(QStringLiteral("c")));
    EXPECT_FALSE(IsDrive(QStringLiteral("1:")));
    // A drive stands for the current directory when that lies on it, else for its root.
    EXPECT_EQ(DriveDirectory(current), N(QDir::currentPath()));
    EXPECT_EQ(DriveDirectory(current.toUpper()), N(QDir::currentPath()));
    const QString other =
        current == QLatin1String("q:") ? QStringLiteral("r:") : QStringLiteral("q:");
    EXPECT_EQ(DriveDirectory(other), other.toUpper() + QLatin1Char('\\'));

    struct Case {
        const char* name;
        const char* directory;
        bool overwrite;
        const char* source;
        const char* target;
    } cases[] = {
        {"a.jpg", "C:\\", false, "C:\\a.jpg", "C:\\a_YS.jpg"},
        {"a.BMP", "C:\\", true, "C:\\a.BMP", "C:\\a.jpg"},
        {"a.jpg", "D:\\my.pics", false, "D:\\my.pics\\a.jpg", "D:\\my.pics\\a_YS.jpg"},
        {"a.b.bmp", "D:\\my.pics\\", false, "D:\\my.pics\\a.b.bmp", "D:\\my.pics\\a_YS.b_YS.jpg"},
        {"照片.jpg", "D:/相册 2024", false, "D:\\相册 2024\\照片.jpg",
         "D:\\相册 2024\\照片_YS.jpg"},
    };
    for (const Case& c : cases) {
        const BatchJob job = PlanRow(
            BatchRow{QString::fromUtf8(c.name), QString::fromUtf8(c.directory)}, c.overwrite);
        EXPECT_EQ(job.source, QString::fromUtf8(c.source)) << c.directory << " " << c.name;
        EXPECT_EQ(job.target, QString::fromUtf8(c.target)) << c.directory << " " << c.name;
    }
}

TEST_F(WindowsDriveTest, TheDriveListOffersTheDriveLettersAndADrivesRootOpensInTheBrowser) {
    const QString home = DriveOf(QDir::currentPath());
    EXPECT_EQ(form.Drive1->Drive(), home);
    EXPECT_EQ(form.Drive1->currentData().toString(), home);
    ASSERT_GE(form.Drive1->count(), 1);
    for (int i = 0; i < form.Drive1->count(); ++i) {
        const QString drive = form.Drive1->itemData(i).toString();
        EXPECT_TRUE(IsDrive(drive)) << drive;
        EXPECT_TRUE(form.Drive1->itemText(i).startsWith(drive)) << form.Drive1->itemText(i);
    }

    // Another drive that can be read (Wine maps "z:" to the Linux root).
    QString other;
    for (const DriveEntry& d : ListDrives()) {
        if (d.drive != home && QStorageInfo(d.drive.toUpper() + QLatin1Char('/')).isReady()) {
            other = d.drive;
            break;
        }
    }
    if (other.isEmpty()) {
        GTEST_SKIP() << "this machine has no second drive to pick";
    }
    QSignalSpy changes(form.Drive1, &DriveListBox::Change);
    form.Drive1->showPopup();
    const int index = form.Drive1->findData(other);
    ASSERT_GE(index, 0) << other;
    QAbstractItemView* view = form.Drive1->view();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      view->visualRect(view->model()->index(index, 0)).center());
    EXPECT_EQ(changes.count(), 1);
    const QString root = other.toUpper() + QLatin1Char('\\');
    EXPECT_EQ(form.Drive1->Drive(), other);
    EXPECT_EQ(form.Dir1->Path(), root);
    EXPECT_EQ(form.File1->Path(), root);
    ASSERT_GE(form.Dir1->topLevelItemCount(), 1);
    EXPECT_EQ(form.Dir1->topLevelItem(0)->text(0), root);
    EXPECT_TRUE(ui.messages.empty());

    // Back on the home drive, the browser shows the current directory again.
    form.Drive1->setDrive(other);
    form.Drive1->showPopup();
    const int back = form.Drive1->findData(home);
    ASSERT_GE(back, 0);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      view->visualRect(view->model()->index(back, 0)).center());
    EXPECT_EQ(form.Dir1->Path(), N(QDir::currentPath()));
}

TEST_F(WindowsDriveTest, FilesInAFolderWithADotGetTheirYsCopiesBesideThem) {
    const QString folder = dir.file(QStringLiteral("my.pics"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QImage picture = test::Tinted(qRgb(60, 60, 200));
    test::WriteJpeg(picture, folder + QStringLiteral("/a.jpg"));
    test::WriteBmp(picture, folder + QStringLiteral("/b.BMP"));

    add(folder, {"a.jpg", "b.BMP"});
    EXPECT_EQ(form.Dir1->Path(), N(folder));
    EXPECT_FALSE(form.Dir1->Path().contains(QLatin1Char('/'))) << form.Dir1->Path();
    EXPECT_EQ(run(), QStringLiteral("文件压缩并保存完毕！"));
    EXPECT_EQ(QDir(folder).entryList(QDir::Files, QDir::Name),
              QStringList({"a.jpg", "a_YS.jpg", "b.BMP", "b_YS.jpg"}));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList({"my.pics"}))
        << "nothing is written beside the folder";
    for (const char* copy : {"/a_YS.jpg", "/b_YS.jpg"}) {
        const int difference =
            test::MaxDifference(LoadPicture(folder + QLatin1String(copy)).image(), picture);
        EXPECT_TRUE(difference >= 0 && difference <= 24) << copy << " differs by " << difference;
    }
}

}  // namespace
}  // namespace lanxi

#endif  // Q_OS_WIN
