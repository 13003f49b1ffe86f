// Writes that cannot succeed: each gives false, leaves whatever stood at the target exactly as
// it was, and leaves no temporary file behind.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

#include "jpeg/jpeg_file.h"
#include "jpeg/module1.h"
#include "tests/support/filesystems.h"
#include "tests/support/images.h"

namespace lanxi {
namespace {

using test::DirectoryEntries;
using test::ReadBytes;

const QByteArray kOldContent = "the file that was here before";

// A picture whose JPEG is some 50 KB, larger than the room left on the small disks.
StdPicture LargePicture() {
    return StdPicture(test::PatternImage(400, 300));
}

// Saves into `path`, which cannot be written, and checks that nothing changed in `dir`.
void ExpectRefused(const QString& path, const QString& dir, const QString& reasonPart,
                   const StdPicture& picture = LargePicture()) {
    const QStringList before = DirectoryEntries(dir);
    const bool existed = QFileInfo(path).isFile();
    EXPECT_EQ(SaveAsJpeg(picture, path, 80), kFalse);
    QString reason;
    EXPECT_FALSE(WriteJpegFile(picture, path, kCompressedCopy, &reason));
    EXPECT_TRUE(reason.contains(reasonPart)) << reason;
    if (existed) {
        EXPECT_EQ(ReadBytes(path), kOldContent);
    }
    EXPECT_EQ(DirectoryEntries(dir), before);
}

TEST(SaveAsJpegFaults, MissingDirectory) {
    test::TempDir dir;
    const QString path = dir.file(QStringLiteral("不存在/结果.jpg"));
    ExpectRefused(path, dir.path(), QStringLiteral("文件夹不存在"));
    EXPECT_FALSE(QFileInfo::exists(QFileInfo(path).path()));
}

TEST(SaveAsJpegFaults, ReadOnlyDirectory) {
    test::ReadOnlyDirectory dir;
    const QString path = dir.file(QStringLiteral("结果.jpg"));
    test::WriteBytes(kOldContent, path);
    if (!dir.lock()) {
        GTEST_SKIP() << dir.why();
    }
    ExpectRefused(path, dir.path(), QStringLiteral("只读"));
}

TEST(SaveAsJpegFaults, DiskWithNoRoomLeft) {
    test::SmallFilesystem disk;
    if (!disk.mounted()) {
        GTEST_SKIP() << disk.why();
    }
    const QString path = disk.file(QStringLiteral("结果.jpg"));
    test::WriteBytes(kOldContent, path);
    ASSERT_TRUE(disk.fill()) << disk.why();
    ExpectRefused(path, disk.path(), QStringLiteral("磁盘空间不足"));
    // A file small enough to wait in the write buffer until the end fails there, and must not
    // put an empty file in the target's place.
    ExpectRefused(path, disk.path(), QStringLiteral("磁盘空间不足"),
                  StdPicture(test::SmoothImage(32, 24)));
}

TEST(SaveAsJpegFaults, DiskThatFillsUpHalfwayThroughTheFile) {
    test::SmallFilesystem disk;
    if (!disk.mounted()) {
        GTEST_SKIP() << disk.why();
    }
    const QString path = disk.file(QStringLiteral("结果.jpg"));
    test::WriteBytes(kOldContent, path);
    ASSERT_TRUE(disk.fill(12 * 1024)) << disk.why();
    ExpectRefused(path, disk.path(), QStringLiteral("磁盘空间不足"));
    // With the room given back, the same call succeeds.
    ASSERT_TRUE(QFile::remove(disk.file(QStringLiteral("filler"))));
    EXPECT_EQ(SaveAsJpeg(LargePicture(), path, 80), kTrue);
}

TEST(SaveAsJpegFaults, DeviceInPlaceOfTheFileIsNeverReplaced) {
    const test::FullDevice device;
    const QString dir = QFileInfo(device.path()).path();
    ExpectRefused(device.path(), dir, QStringLiteral("不是普通文件"));
    const QFileInfo after(device.path());
    EXPECT_TRUE(after.exists());
    EXPECT_FALSE(after.isFile());  // still the device
}

TEST(SaveAsJpegFaults, DirectoryInPlaceOfTheFile) {
    test::TempDir dir;
    const QString path = dir.file(QStringLiteral("结果.jpg"));
    ASSERT_TRUE(QDir().mkpath(path));
    ExpectRefused(path, dir.path(), QStringLiteral("文件夹"));
    EXPECT_TRUE(QFileInfo(path).isDir());
}

}  // namespace
}  // namespace lanxi
