#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QtEndian>

#include "base/errors.h"
#include "codec/loader.h"
#include "tests/support/bad_files.h"
#include "tests/support/cpu_time.h"
#include "tests/support/images.h"

namespace lanxi {
namespace {

using test::TempDir;

QString reasonFor(const QString& path) {
    try {
        LoadPicture(path);
    } catch (const Error& e) {
        return e.message();
    }
    return QStringLiteral("(loaded)");
}

TEST(LoadPicture, RecognisesTheFormatByContentNotByName) {
    TempDir dir;
    const QImage pattern = test::PatternImage(64, 48);
    test::WriteBmp(pattern, dir.file(QStringLiteral("actually-bmp.jpg")));
    test::WriteJpeg(pattern, dir.file(QStringLiteral("actually-jpeg.bmp")));

    const StdPicture bmp = LoadPicture(dir.file(QStringLiteral("actually-bmp.jpg")));
    EXPECT_EQ(bmp.image(), pattern);
    const StdPicture jpeg = LoadPicture(dir.file(QStringLiteral("actually-jpeg.bmp")));
    EXPECT_EQ(jpeg.size(), QSize(64, 48));
    EXPECT_EQ(jpeg.image().format(), QImage::Format_RGB32);
}

TEST(LoadPicture, DecodesJpegLikeQtsReader) {
    TempDir dir;
    const QString path = dir.file(QStringLiteral("照片.jpg"));
    test::WriteJpeg(test::SmoothImage(333, 211), path, 85);
    const QImage ours = LoadPicture(path).image();
    const QImage qts = QImageReader(path).read();
    EXPECT_LE(test::MaxDifference(ours, qts), 2);
}

TEST(LoadPicture, TurnsACameraPictureUprightByItsOrientationTag) {
    // A 40 x 20 picture, red on its left half: stored the way a camera holding the phone
    // upright would store it, then turned as the tag says.
    QImage stored(40, 20, QImage::Format_RGB32);
    stored.fill(qRgb(0, 0, 255));
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 20; ++x) {
            stored.setPixel(x, y, qRgb(255, 0, 0));
        }
    }
    TempDir dir;
    struct Case {
        int orientation;
        QSize size;
        QPoint red;  // a point that must be red after turning
    } cases[] = {{1, {40, 20}, {5, 10}},
                 {3, {40, 20}, {35, 10}},
                 {6, {20, 40}, {10, 5}},
                 {8, {20, 40}, {10, 35}},
                 {2, {40, 20}, {35, 10}}};
    for (const Case& c : cases) {
        const QString path = dir.file(QStringLiteral("o%1.jpg").arg(c.orientation));
        test::WriteBytes(test::JpegWithOrientation(stored, c.orientation), path);
        const QImage image = LoadPicture(path).image();
        EXPECT_EQ(image.size(), c.size) << c.orientation;
        EXPECT_GT(qRed(image.pixel(c.red)), 200) << c.orientation;
    }
}

TEST(LoadPicture, RefusesAnAbsurdSizeAtOnceWithoutAllocating) {
    TempDir dir;
    const QString path = dir.file(QStringLiteral("huge.jpg"));
    test::WriteBytes(test::JpegClaimingSize(test::SmoothImage(16, 16), 65000, 65000), path);
    std::int64_t start = test::CpuMilliseconds();
    EXPECT_TRUE(reasonFor(path).contains(QStringLiteral("65000 × 65000")));
    EXPECT_LT(test::CpuMilliseconds() - start, 1000);

    // A header claiming a large but possible size, with almost no data behind it.
    test::WriteBytes(test::JpegClaimingSize(test::SmoothImage(16, 16), 12000, 12000), path);
    start = test::CpuMilliseconds();
    EXPECT_TRUE(reasonFor(path).contains(QStringLiteral("不完整")));
    EXPECT_LT(test::CpuMilliseconds() - start, 1000);
}

TEST(LoadPicture, OpensPicturesBeyondQtsDefaultAllocationLimit) {
    // 10000 x 10000 = 100 megapixels, 400 MB decoded, more than Qt's readers allow by default;
    // flat, so the files stay small.
    QImage big(10000, 10000, QImage::Format_RGB32);
    ASSERT_FALSE(big.isNull());
    big.fill(qRgb(40, 160, 90));
    TempDir dir;
    const QString jpeg = dir.file(QStringLiteral("big.jpg"));
    const QString png = dir.file(QStringLiteral("big.png"));
    test::WriteJpeg(big, jpeg, 80);
    ASSERT_TRUE(big.save(png, "png"));
    big = QImage();
    for (const QString& path : {jpeg, png}) {
        const StdPicture picture = LoadPicture(path);
        EXPECT_EQ(picture.size(), QSize(10000, 10000)) << path;
        EXPECT_NEAR(qGreen(picture.image().pixel(5000, 5000)), 160, 3) << path;
    }
    EXPECT_LT(QFileInfo(png).size(), 1'000'000);
}

TEST(LoadPicture, ExplainsEveryFileItCannotOpenWithoutWaitingOnIt) {
    TempDir dir;
    for (const test::BadFile& f : test::MakeBadFiles(dir)) {
        EXPECT_TRUE(reasonFor(dir.file(f.name)).contains(f.reason))
            << f.name << ": " << reasonFor(dir.file(f.name));
    }
    test::WriteBmp(test::PatternImage(50, 50), dir.file(QStringLiteral("cut.bmp")));
    const QByteArray bmp = test::ReadBytes(dir.file(QStringLiteral("cut.bmp")));
    test::WriteBytes(bmp.left(bmp.size() - 500), dir.file(QStringLiteral("cut.bmp")));
    EXPECT_TRUE(reasonFor(dir.file(QStringLiteral("cut.bmp"))).contains(QStringLiteral("不完整")));
#ifdef Q_OS_UNIX
    // A file that says it is empty although it is not (the system's own files) is read no
    // further than its size.
    EXPECT_TRUE(reasonFor(QStringLiteral("/proc/self/status")).contains(QStringLiteral("空")));
#endif
}

TEST(LoadPicture, RefusesBmpHeadersWithImpossibleSizes) {
    TempDir dir;
    test::WriteBmp(test::PatternImage(8, 8), dir.file(QStringLiteral("a.bmp")));
    const QByteArray good = test::ReadBytes(dir.file(QStringLiteral("a.bmp")));
    auto withSize = [&](qint32 w, qint32 h) {
        QByteArray b = good;
        qToLittleEndian(w, b.data() + 18);
        qToLittleEndian(h, b.data() + 22);
        return b;
    };
    const QString path = dir.file(QStringLiteral("bad.bmp"));
    for (auto [w, h] : {std::pair{0, 8}, {8, 0}, {-8, 8}, {100000, 100000}, {30000, 30000}}) {
        test::WriteBytes(withSize(w, h), path);
        EXPECT_NE(reasonFor(path), QStringLiteral("(loaded)")) << w << " x " << h;
    }
    // A negative height is a picture stored top row first: valid.
    test::WriteBytes(withSize(8, -8), path);
    EXPECT_EQ(LoadPicture(path).size(), QSize(8, 8));
}

TEST(SavePicture, WritesBmpWhateverTheNameAndLoadsBackTheSame) {
    TempDir dir;
    const QImage pattern = test::PatternImage(31, 17);
    const QString path = dir.file(QStringLiteral("结果.jpg"));
    SavePicture(StdPicture(pattern), path);
    EXPECT_TRUE(test::ReadBytes(path).startsWith("BM"));
    EXPECT_EQ(LoadPicture(path).image(), pattern);
}

TEST(SavePicture, AFailedWriteLeavesTheExistingFileAndNoTemporaryFile) {
    TempDir dir;
    const QString missing = dir.file(QStringLiteral("no-such-folder/a.bmp"));
    try {
        SavePicture(StdPicture(test::PatternImage(4, 4)), missing);
        FAIL() << "saved into a missing folder";
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("文件夹不存在")));
    }
    EXPECT_THROW(SavePicture(StdPicture(), dir.file(QStringLiteral("x.bmp"))), Error);
    EXPECT_FALSE(QFile::exists(dir.file(QStringLiteral("x.bmp"))));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 0);
}

}  // namespace
}  // namespace lanxi

namespace lanxi {
namespace {

TEST(LoadPicture, AFileWithoutReadPermissionIsNamedAsSuch) {
    test::TempDir dir;
    const QString path = dir.file(QStringLiteral("锁住.jpg"));
    test::WriteJpeg(test::SmoothImage(8, 8), path);
    QFile::setPermissions(path, QFileDevice::WriteOwner);
    if (QFile(path).open(QIODevice::ReadOnly)) {
        GTEST_SKIP() << "this user reads files whatever their permissions (root)";
    }
    try {
        LoadPicture(path);
        FAIL() << "read a file without permission";
    } catch (const Error& e) {
        EXPECT_EQ(e.message(), QStringLiteral("没有读取该文件的权限"));
    }
}

}  // namespace
}  // namespace lanxi
