// Writes that cannot succeed: each gives false, leaves whatever stood at the target exactly as
// it was, and leaves no temporary file behind.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <atomic>

#include "tests/support/filesystems.h"
#include "tests/support/images.h"
#include "upload/save_as_jpeg.h"
#include "upload/upload_copy.h"

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
    EXPECT_FALSE(WriteJpegFile(picture, path, kUploadCopy, &reason));
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
    if (!QFileInfo::exists(device.path())) {
        GTEST_SKIP() << "no device file that refuses data here (Windows has none)";
    }
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

TEST(SaveAsJpegFaults, AStopRequestWritesNothing) {
    test::TempDir dir;
    Stop stop;
    stop.request();
    const FittedCopy copy = MakeUploadCopy(LargePicture(), {}, &stop);
    EXPECT_TRUE(copy.stopped);
    QString reason;
    EXPECT_FALSE(WriteUploadCopy(copy, dir.file(QStringLiteral("a.jpg")), &reason));
    EXPECT_EQ(reason, QStringLiteral("已停止"));
    EXPECT_TRUE(DirectoryEntries(dir.path()).isEmpty());
}

#ifdef Q_OS_UNIX
// A copy's name is made up by the program: a link found there (left in an unpacked archive or a
// shared folder) is replaced, so the copy never lands in another folder. A name the user chose
// is written through its link like an editor saves, keeping the link and the file's rights.
TEST(SaveAsJpegFaults, ACopysNameThatIsALinkIsReplacedWhileAChosenNameIsWrittenThrough) {
    test::TempDir dir, elsewhere;
    const auto inDir = [&](const char* name) { return dir.file(QString::fromUtf8(name)); };
    const auto outside = [&](const char* name) { return elsewhere.file(QString::fromUtf8(name)); };
    test::WriteBytes(kOldContent, outside("受害.jpg"));
    test::WriteBytes(kOldContent, outside("本人.jpg"));
    QFile::setPermissions(outside("本人.jpg"), QFile::ReadOwner | QFile::WriteOwner);
    const QFile::Permissions rights = QFile::permissions(outside("本人.jpg"));
    ASSERT_TRUE(QFile::link(outside("受害.jpg"), inDir("a_YS.jpg")));
    ASSERT_TRUE(QFile::link(outside("新建.jpg"), inDir("b_YS.jpg")));  // leads nowhere yet
    ASSERT_TRUE(QFile::link(outside("本人.jpg"), inDir("本人.jpg")));

    EXPECT_EQ(SaveAsJpeg(LargePicture(), inDir("a_YS.jpg"), 80), kTrue);
    EXPECT_EQ(SaveAsJpeg(LargePicture(), inDir("b_YS.jpg"), 80), kTrue);
    QString reason;
    EXPECT_TRUE(WriteUploadCopy(MakeUploadCopy(LargePicture(), {}), inDir("本人.jpg"), &reason,
                                AtLink::WriteThrough));
    for (const char* copy : {"a_YS.jpg", "b_YS.jpg"}) {
        EXPECT_FALSE(QFileInfo(inDir(copy)).isSymLink()) << copy;
        EXPECT_TRUE(ReadBytes(inDir(copy)).startsWith("\xff\xd8\xff")) << copy;
    }
    EXPECT_EQ(ReadBytes(outside("受害.jpg")), kOldContent);
    EXPECT_TRUE(QFileInfo(inDir("本人.jpg")).isSymLink());
    EXPECT_TRUE(ReadBytes(outside("本人.jpg")).startsWith("\xff\xd8\xff"));
    EXPECT_EQ(QFile::permissions(outside("本人.jpg")), rights);
    EXPECT_EQ(DirectoryEntries(elsewhere.path()), QStringList({"受害.jpg", "本人.jpg"}));
    EXPECT_EQ(DirectoryEntries(dir.path()), QStringList({"a_YS.jpg", "b_YS.jpg", "本人.jpg"}));
}
#endif

}  // namespace
}  // namespace lanxi
