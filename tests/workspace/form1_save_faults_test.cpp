// A chosen file that cannot be written: the user is told which file and why, nothing is
// written, no copy is attempted, and the right frame stays as it was.
#include <QDir>

#include "tests/workspace/form1_save_fixture.h"

namespace lanxi {
namespace {

using test::DirectoryEntries;
using test::ReadBytes;
using test::SaveTest;

const QByteArray kOldFile = "the file the user had";
const QByteArray kOldCopy = "its older copy";

class SaveFaultTest : public SaveTest {
  protected:
    // Saves under each name into `folder`, where the files the save would replace already
    // stand, and checks that the user is told why and that nothing changed.
    void expectRefused(const QString& folder, const QString& name, const QString& reasonPart) {
        const QString chosen = QDir(folder).filePath(name);
        const QStringList before = DirectoryEntries(folder);
        const StdPicture picture = form.Picture1->Picture();
        const int paintings = form.Picture1->paintingCount();
        ui.messages.clear();
        save(chosen);

        ASSERT_EQ(ui.messages.size(), 1u) << name;
        const MessageBoxRequest& m = ui.messages[0];
        EXPECT_TRUE(m.text.contains(QDir::toNativeSeparators(chosen))) << m.text;
        EXPECT_TRUE(m.text.contains(reasonPart)) << m.text;
        EXPECT_NE(m.text, test::kSavedAndCompressed);
        EXPECT_NE(m.text, test::kSavedNotCompressed);
        EXPECT_EQ(m.style, vbExclamation);
        EXPECT_EQ(DirectoryEntries(folder), before) << name;
        EXPECT_TRUE(form.Picture1->Picture() == picture);
        EXPECT_EQ(form.Picture1->paintingCount(), paintings);
    }
    // Puts a file and its copy where a save would replace them.
    static void placeOldFiles(const QString& folder, const QString& name, const QString& copy) {
        test::WriteBytes(kOldFile, QDir(folder).filePath(name));
        test::WriteBytes(kOldCopy, QDir(folder).filePath(copy));
    }
    static void expectOldFiles(const QString& folder, const QString& name, const QString& copy) {
        EXPECT_EQ(ReadBytes(QDir(folder).filePath(name)), kOldFile) << name;
        EXPECT_EQ(ReadBytes(QDir(folder).filePath(copy)), kOldCopy) << copy;
    }
};

// Both kinds of file the save can write: BMP, and JPEG for a JPEG name.
const std::pair<QString, QString> kNames[] = {
    {QStringLiteral("结果.bmp"), QStringLiteral("结果_YS.jpg")},
    {QStringLiteral("结果.jpg"), QStringLiteral("结果_YS.jpg")},
};

TEST_F(SaveFaultTest, ReadOnlyFolder) {
    test::ReadOnlyDirectory folder;
    for (const auto& [name, copy] : kNames) {
        placeOldFiles(folder.path(), name, copy);
    }
    if (!folder.lock()) {
        GTEST_SKIP() << folder.why();
    }
    for (const auto& [name, copy] : kNames) {
        expectRefused(folder.path(), name, QStringLiteral("只读"));
        expectOldFiles(folder.path(), name, copy);
    }
}

TEST_F(SaveFaultTest, FullDisk) {
    test::SmallFilesystem disk;
    if (!disk.mounted()) {
        GTEST_SKIP() << disk.why();
    }
    for (const auto& [name, copy] : kNames) {
        placeOldFiles(disk.path(), name, copy);
    }
    ASSERT_TRUE(disk.fill()) << disk.why();
    for (const auto& [name, copy] : kNames) {
        expectRefused(disk.path(), name, QStringLiteral("磁盘空间不足"));
        expectOldFiles(disk.path(), name, copy);
    }
}

TEST_F(SaveFaultTest, MissingFolder) {
    for (const auto& [name, copy] : kNames) {
        expectRefused(dir.path(), QStringLiteral("不存在/") + name, QStringLiteral("文件夹不存在"));
    }
}

}  // namespace
}  // namespace lanxi
