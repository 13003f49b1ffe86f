// The batch window as the user sees it: its layout, the browser chain drive -> directory ->
// file, and the batch list's adding, deleting and clearing.
#include <QAbstractItemView>
#include <QSignalSpy>

#include "base/errors.h"
#include "batch/form2_design.h"
#include "forms/picture_frame.h"
#include "tests/batch/batch_fixture.h"
#include "tests/support/filesystems.h"

namespace lanxi {
namespace {

using test::Click;
using WindowTest = test::BatchTest;

void Touch(const QString& path) {
    test::WriteBytes("x", path);
}

TEST_F(WindowTest, ControlsStandWhereTheDesignPutsThem) {
    QWidget* w = form.window();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("批量压缩bmp和jpg图像文件--岚溪文坊"));
    // The designed 504 x 406 pixels, and the strip for the site's limits below them.
    EXPECT_EQ(w->size(), QSize(504, 406 + 56));
    std::vector<ControlDesign> design(Form2Design().begin(), Form2Design().end());
    for (const ControlDesign& d : Form2StripDesign()) {
        EXPECT_GE(d.twips.top(), kForm2Height) << d.name;
        design.push_back(d);
    }
    test::ExpectBuiltAsDesigned(form, design);
    EXPECT_EQ(form.Check1->checkState(), Qt::Unchecked);
    // The notice is as wide as its text, within the window.
    EXPECT_LE(form.Label1->geometry().right(), w->width());
    EXPECT_TRUE(form.control<PictureFrame>(QStringLiteral("Picture1"))->Picture().isEmpty());
    EXPECT_EQ(form.List1->selectionMode(), QAbstractItemView::ExtendedSelection);
}

TEST_F(WindowTest, OpensInTheCurrentDirectoryShowingItsPictures) {
    const QString before = QDir::currentPath();
    Touch(dir.file(QStringLiteral("相片.jpg")));
    Touch(dir.file(QStringLiteral("readme.txt")));
    form.Unload();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    form.Show();
    QDir::setCurrent(before);

    const QString here = QDir::toNativeSeparators(dir.path());
    EXPECT_EQ(form.Drive1->Drive(), DriveOf(here));
    EXPECT_EQ(form.Drive1->currentData().toString(), form.Drive1->Drive());
    EXPECT_EQ(form.Dir1->Path(), here);
    EXPECT_EQ(form.File1->Path(), here);
    EXPECT_EQ(form.File1->Pattern(), QStringLiteral("*.jpg;*.jpeg;*.bmp"));
    EXPECT_EQ(files(), QStringList({QStringLiteral("相片.jpg")}));
    EXPECT_EQ(form.List1->ListCount(), 0);
}

TEST_F(WindowTest, FileListShowsThePatternsFilesInAnyLetterCase) {
    for (const char* name : {"b.JPG", "a.jpg", "c.Jpeg", "d.bmp", "E.BMP", "f.png", "g.txt",
                             "h.jpg.bak", ".hidden.jpg", "无扩展名"}) {
        Touch(dir.file(QString::fromUtf8(name)));
    }
    QDir(dir.path()).mkdir(QStringLiteral("folder.jpg"));
    browseTo(dir.path());
    EXPECT_EQ(files(), QStringList({"a.jpg", "b.JPG", "c.Jpeg", "d.bmp", "E.BMP"}));
    EXPECT_EQ(form.File1->FileName(), QString()) << "nothing is selected on arrival";
}

TEST_F(WindowTest, DirectoryListShowsTheWayDownAndOpensADirectoryOnDoubleClick) {
    const QString sub = dir.file(QStringLiteral("照片 2024"));
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("照片 2024/深处")));
    QDir(dir.path()).mkdir(QStringLiteral(".hidden"));
    Touch(sub + QStringLiteral("/p.jpg"));
    Touch(dir.file(QStringLiteral("top.bmp")));
    browseTo(dir.path());
    form.List1->AddItem(BatchRow{QStringLiteral("kept.jpg"), dir.path()});

    // The way down from the root, the current directory, then its subdirectories (hidden ones
    // left out); the current directory is the selected entry.
    ASSERT_NE(dirItem(QDir::rootPath()), nullptr);
    ASSERT_NE(dirItem(QFileInfo(dir.path()).path()), nullptr);
    EXPECT_EQ(form.Dir1->currentItem(), dirItem(dir.path()));
    EXPECT_NE(dirItem(sub), nullptr);
    EXPECT_EQ(dirItem(dir.file(QStringLiteral(".hidden"))), nullptr);
    EXPECT_EQ(dirItem(sub + QStringLiteral("/深处")), nullptr) << "only one level below";

    QSignalSpy changes(form.Dir1, &DirListBox::Change);
    doubleClickDirectory(sub);
    EXPECT_EQ(changes.count(), 1);
    EXPECT_EQ(form.Dir1->Path(), QDir::toNativeSeparators(sub));
    EXPECT_EQ(form.File1->Path(), QDir::toNativeSeparators(sub));
    EXPECT_EQ(files(), QStringList({"p.jpg"}));
    EXPECT_NE(dirItem(sub + QStringLiteral("/深处")), nullptr);

    doubleClickDirectory(dir.path());
    EXPECT_EQ(changes.count(), 2);
    EXPECT_EQ(files(), QStringList({"top.bmp"}));
    EXPECT_EQ(rows(), QStringList({"kept.jpg"})) << "browsing leaves the batch list alone";

    // Writing the path it already has is no change.
    form.Dir1->setPath(dir.path());
    EXPECT_EQ(changes.count(), 2);
}

TEST_F(WindowTest, ADirectoryThatCannotBeOpenedLeavesTheBrowserAsItWas) {
    browseTo(dir.path());
    EXPECT_THROW(form.Dir1->setPath(dir.file(QStringLiteral("不存在"))), Error);
    EXPECT_EQ(form.Dir1->Path(), QDir::toNativeSeparators(dir.path()));

    // The directory goes after the list showed it; a double click on it says so and the list
    // shows what is there now.
    const QString gone = dir.file(QStringLiteral("将删除"));
    QDir(dir.path()).mkdir(QStringLiteral("将删除"));
    form.Dir1->Refresh();
    ASSERT_NE(dirItem(gone), nullptr);
    QDir(gone).removeRecursively();
    doubleClickDirectory(gone);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_TRUE(ui.messages[0].text.contains(QStringLiteral("找不到文件夹")))
        << ui.messages[0].text;
    EXPECT_EQ(form.Dir1->Path(), QDir::toNativeSeparators(dir.path()));
    EXPECT_EQ(dirItem(gone), nullptr);
}

// Picks a drive in the drive list's drop-down with the mouse.
void PickDrive(DriveListBox* box, const QString& drive) {
    box->showPopup();
    const int index = box->findData(drive);
    ASSERT_GE(index, 0) << drive;
    QAbstractItemView* view = box->view();
    const QRect rect = view->visualRect(view->model()->index(index, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rect.center());
}

TEST_F(WindowTest, PickingADriveShowsItsDirectoryAndFiles) {
    test::SmallFilesystem stick;
    if (!stick.mounted()) {
        GTEST_SKIP() << stick.why();
    }
    Touch(stick.file(QStringLiteral("DSC_0001.JPG")));
    browseTo(dir.path());
    form.List1->AddItem(BatchRow{QStringLiteral("kept.jpg"), dir.path()});
    const QString home = form.Drive1->Drive();

    QSignalSpy changes(form.Drive1, &DriveListBox::Change);
    PickDrive(form.Drive1, stick.path());
    EXPECT_EQ(changes.count(), 1);
    EXPECT_EQ(form.Drive1->Drive(), stick.path());
    EXPECT_EQ(form.Dir1->Path(), stick.path());
    EXPECT_EQ(files(), QStringList({"DSC_0001.JPG"}));

    // Back on the drive of the current directory, the browser shows the current directory.
    PickDrive(form.Drive1, home);
    EXPECT_EQ(changes.count(), 2);
    EXPECT_EQ(form.Dir1->Path(), QDir::toNativeSeparators(QDir::currentPath()));
    EXPECT_EQ(rows(), QStringList({"kept.jpg"}));
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(WindowTest, ADriveThatCannotBeReadSaysSoAndTheDriveListFollowsTheDirectoryAgain) {
    browseTo(dir.path());
    QString stickPath;
    {
        auto stick = std::make_unique<test::SmallFilesystem>();
        if (!stick->mounted()) {
            GTEST_SKIP() << stick->why();
        }
        stickPath = stick->path();
        form.Drive1->showPopup();
        ASSERT_GE(form.Drive1->findData(stickPath), 0);
        form.Drive1->hidePopup();
    }  // the stick is taken out while the list still offers it
    const int index = form.Drive1->findData(stickPath);
    ASSERT_GE(index, 0);
    QAbstractItemView* view = form.Drive1->view();
    form.Drive1->QComboBox::showPopup();  // the list as it was, without looking again
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      view->visualRect(view->model()->index(index, 0)).center());

    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_TRUE(ui.messages[0].text.startsWith(QStringLiteral("无法读取驱动器 ") + stickPath))
        << ui.messages[0].text;
    EXPECT_EQ(ui.messages[0].parent, form.window());
    EXPECT_EQ(form.Dir1->Path(), QDir::toNativeSeparators(dir.path()));
    EXPECT_EQ(form.Drive1->Drive(), DriveOf(dir.path()));
    EXPECT_EQ(form.Drive1->currentData().toString(), DriveOf(dir.path()));
}

TEST_F(WindowTest, ClicksAndArrowKeysAddEachFileOnce) {
    for (const char* name : {"a.jpg", "b.jpg", "c.bmp"}) {
        Touch(dir.file(QString::fromLatin1(name)));
    }
    browseTo(dir.path());
    clickFile(QStringLiteral("b.jpg"));
    clickFile(QStringLiteral("b.jpg"));
    EXPECT_EQ(rows(), QStringList({"b.jpg"}));
    QTest::keyClick(form.File1, Qt::Key_Down);
    EXPECT_EQ(rows(), QStringList({"b.jpg", "c.bmp"}));
    QTest::keyClick(form.File1, Qt::Key_Down);  // already at the end: nothing moves
    QTest::keyClick(form.File1, Qt::Key_Up);
    QTest::keyClick(form.File1, Qt::Key_Up);
    EXPECT_EQ(rows(), QStringList({"b.jpg", "c.bmp", "a.jpg"}));
    EXPECT_EQ(form.File1->FileName(), QStringLiteral("a.jpg"));
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(WindowTest, ANameIsListedOnceWhateverItsDirectoryButOtherLetterCaseIsAnotherName) {
    const QString first = dir.file(QStringLiteral("一"));
    const QString second = dir.file(QStringLiteral("二"));
    QDir(dir.path()).mkdir(QStringLiteral("一"));
    QDir(dir.path()).mkdir(QStringLiteral("二"));
    Touch(first + QStringLiteral("/a.jpg"));
    Touch(second + QStringLiteral("/a.jpg"));
    Touch(second + QStringLiteral("/A.jpg"));
    if (QDir(second).entryList(QDir::Files).size() != 2) {
        GTEST_SKIP()
            << "file names ignore letter case here (Windows): a.jpg and A.jpg are one file";
    }
    add(first, {QStringLiteral("a.jpg")});
    add(second, {QStringLiteral("a.jpg"), QStringLiteral("A.jpg")});
    EXPECT_EQ(rows(), QStringList({"a.jpg", "A.jpg"}));
    // Each row knows where it was picked, and says so on hover.
    const BatchList& list = form.List1->Rows();
    EXPECT_EQ(list.at(0).path(), QDir::toNativeSeparators(first + QStringLiteral("/a.jpg")));
    EXPECT_EQ(list.at(1).path(), QDir::toNativeSeparators(second + QStringLiteral("/A.jpg")));
    EXPECT_EQ(form.List1->model()->index(0, 0).data(Qt::ToolTipRole).toString(), list.at(0).path());
}

TEST_F(WindowTest, DeleteRemovesTheSelectedRowsAndClearRemovesAll) {
    const QStringList six = {"r0.jpg", "r1.jpg", "r2.jpg", "r3.jpg", "r4.jpg", "r5.jpg"};
    for (const QString& name : six) {
        form.List1->AddItem(BatchRow{name, dir.path()});
    }
    Click(form.Command3);  // nothing selected
    EXPECT_EQ(rows(), six);

    // Click row 1, Ctrl+click rows 3 and 4, as a user selects them.
    QAbstractItemView* list = form.List1;
    const auto at = [&](int row) {
        return list->visualRect(list->model()->index(row, 0)).center();
    };
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at(1));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, at(3));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, at(4));
    EXPECT_EQ(form.List1->SelCount(), 3);
    Click(form.Command3);
    EXPECT_EQ(rows(), QStringList({"r0.jpg", "r2.jpg", "r5.jpg"}));
    EXPECT_EQ(form.List1->SelCount(), 0);

    // Shift+click selects a range.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at(0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ShiftModifier, at(1));
    Click(form.Command3);
    EXPECT_EQ(rows(), QStringList({"r5.jpg"}));

    // A deleted name can be added again.
    form.List1->AddItem(BatchRow{QStringLiteral("r1.jpg"), dir.path()});
    EXPECT_EQ(rows(), QStringList({"r5.jpg", "r1.jpg"}));

    Click(form.Command4);
    EXPECT_EQ(form.List1->ListCount(), 0);
    Click(form.Command4);
    EXPECT_EQ(form.List1->ListCount(), 0);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(WindowTest, CloseDiscardsTheListAndTheNextShowingStartsAfresh) {
    Touch(dir.file(QStringLiteral("a.jpg")));
    add(dir.path(), {QStringLiteral("a.jpg")});
    form.Check1->setChecked(true);
    form.Show();  // shown again while open: the same window, unchanged
    EXPECT_EQ(rows(), QStringList({"a.jpg"}));

    Click(form.Command2);
    EXPECT_FALSE(form.IsLoaded());
    QApplication::processEvents();
    form.Show();
    ASSERT_TRUE(form.IsLoaded());
    EXPECT_EQ(form.List1->ListCount(), 0);
    EXPECT_FALSE(form.Check1->isChecked());
    EXPECT_EQ(form.Dir1->Path(), QDir::toNativeSeparators(QDir::currentPath()));
}

}  // namespace
}  // namespace lanxi
