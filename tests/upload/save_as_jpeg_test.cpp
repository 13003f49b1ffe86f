#include <gtest/gtest.h>

#include <QFileInfo>
#include <climits>
#include <thread>
#include <vector>

#include "base/errors.h"
#include "codec/loader.h"
#include "encoder/jpeg_encode.h"
#include "tests/support/filesystems.h"
#include "tests/support/images.h"
#include "tests/support/jpeg_info.h"
#include "upload/save_as_jpeg.h"

namespace lanxi {
namespace {

using test::InspectJpeg;
using test::ReadBytes;

// A picture with the features of a photograph: smooth areas, and fine detail in one corner.
QImage Photo(int width, int height) {
    QImage image = test::SmoothImage(width, height);
    const QImage detail = test::PatternImage(width / 3, height / 3);
    for (int y = 0; y < detail.height(); ++y) {
        for (int x = 0; x < detail.width(); ++x) {
            image.setPixel(x, y, detail.pixel(x, y));
        }
    }
    return image;
}

TEST(SaveAsJpeg, WritesThePictureAsABaselineJpegAtQualityEighty) {
    test::TempDir dir;
    const QString path = dir.file(QStringLiteral("结果.jpg"));
    // Odd sizes: the last, partial blocks must be coded too.
    const QImage image = test::SmoothImage(301, 203);
    ASSERT_EQ(SaveAsJpeg(StdPicture(image), path, 80), kTrue);

    const StdPicture back = LoadPicture(path);
    ASSERT_EQ(back.size(), image.size());
    EXPECT_LT(test::MeanDifference(back.image(), image), 1.2);
    EXPECT_LE(test::MaxDifference(back.image(), image), 8);

    const test::JpegInfo info = InspectJpeg(ReadBytes(path));
    ASSERT_TRUE(info.valid);
    EXPECT_FALSE(info.progressive);
    EXPECT_TRUE(info.jfif);
    ASSERT_EQ(info.components, 3);
    // 4:2:0: the colour at half resolution both ways.
    EXPECT_EQ(info.sampling, (std::vector<std::pair<int, int>>{{2, 2}, {1, 1}, {1, 1}}));
    ASSERT_EQ(info.quantTables.size(), 2u);
    EXPECT_EQ(info.quantTables[0], test::StandardQuantTable(0, 80));
    EXPECT_EQ(info.quantTables[1], test::StandardQuantTable(1, 80));
    // Tables made for this picture use far fewer codes than the standard's 162.
    EXPECT_LT(info.lumaAcSymbols, 162);
}

TEST(SaveAsJpeg, KeepsDetailWithinWhatQualityEightyAllows) {
    test::TempDir dir;
    const QString path = dir.file(QStringLiteral("细节.jpg"));
    const QImage image = Photo(480, 320);
    ASSERT_EQ(SaveAsJpeg(StdPicture(image), path, 80), kTrue);
    const StdPicture back = LoadPicture(path);
    ASSERT_EQ(back.size(), image.size());
    EXPECT_LT(test::MeanDifference(back.image(), image), 3.0);
}

TEST(SaveAsJpeg, WritesNoMetadataEvenFromAPhotoThatHadSome) {
    test::TempDir dir;
    const QString source = dir.file(QStringLiteral("相机.jpg"));
    test::WriteBytes(test::JpegWithOrientation(test::SmoothImage(64, 48), 6), source);
    ASSERT_TRUE(test::IsMetadataMarker(InspectJpeg(ReadBytes(source)).markers.at(1)));

    const QString path = dir.file(QStringLiteral("压缩.jpg"));
    ASSERT_EQ(SaveAsJpeg(LoadPicture(source), path, 80), kTrue);
    const test::JpegInfo info = InspectJpeg(ReadBytes(path));
    // SOI, the JFIF header, then only what decoding needs.
    ASSERT_GE(info.markers.size(), 3u);
    EXPECT_EQ(info.markers[1], 0xE0);
    for (const int marker : info.markers) {
        EXPECT_FALSE(test::IsMetadataMarker(marker)) << std::hex << marker;
        EXPECT_TRUE(marker == 0xD8 || marker == 0xE0 || marker == 0xDB || marker == 0xC0 ||
                    marker == 0xC4 || marker == 0xDA)
            << std::hex << marker;
    }
    // The orientation was applied to the pixels, so the copy stands upright without the tag.
    EXPECT_EQ(QSize(info.width, info.height), QSize(48, 64));
}

TEST(SaveAsJpeg, QualityIsHandedToTheEncoderAndOnlyZeroToHundredIsAccepted) {
    test::TempDir dir;
    const StdPicture picture(test::SmoothImage(40, 30));
    for (const int quality : {0, 1, 50, 95, 100}) {
        const QString path = dir.file(QStringLiteral("q%1.jpg").arg(quality));
        ASSERT_EQ(SaveAsJpeg(picture, path, quality), kTrue) << quality;
        const test::JpegInfo info = InspectJpeg(ReadBytes(path));
        ASSERT_EQ(info.quantTables.size(), 2u);
        EXPECT_EQ(info.quantTables[0], test::StandardQuantTable(0, quality)) << quality;
    }
    for (const int quality : {-1, 101, INT_MIN, INT_MAX}) {
        const QString path = dir.file(QStringLiteral("bad%1.jpg").arg(quality));
        EXPECT_EQ(SaveAsJpeg(picture, path, quality), kFalse) << quality;
        EXPECT_FALSE(QFileInfo::exists(path)) << quality;
    }
}

TEST(SaveAsJpeg, AnEmptyPictureGivesFalseAndWritesNothing) {
    test::TempDir dir;
    const QString fresh = dir.file(QStringLiteral("空.jpg"));
    EXPECT_EQ(SaveAsJpeg(StdPicture(), fresh, 80), kFalse);
    EXPECT_FALSE(QFileInfo::exists(fresh));

    const QString existing = dir.file(QStringLiteral("已有.jpg"));
    test::WriteBytes("keep me", existing);
    EXPECT_EQ(SaveAsJpeg(StdPicture(), existing, 80), kFalse);
    EXPECT_EQ(ReadBytes(existing), QByteArray("keep me"));
}

TEST(SaveAsJpeg, ChineseNamesAreWrittenExactly) {
    test::TempDir dir;  // its own path holds Chinese characters and a blank
    const QString name = QStringLiteral("岚溪文坊 头像・猫咪（二）.jpg");
    const QString path = dir.file(name);
    ASSERT_EQ(SaveAsJpeg(StdPicture(test::SmoothImage(50, 40)), path, 80), kTrue);
    EXPECT_EQ(test::DirectoryEntries(dir.path()), QStringList{name});
    EXPECT_EQ(LoadPicture(path).size(), QSize(50, 40));
}

TEST(SaveAsJpeg, ReplacesAnExistingFileEvenTheOneThePictureCameFrom) {
    test::TempDir dir;
    const QString path = dir.file(QStringLiteral("原图.bmp"));
    const QImage image = test::SmoothImage(70, 50);
    test::WriteBmp(image, path);
    const StdPicture picture = LoadPicture(path);
    ASSERT_EQ(SaveAsJpeg(picture, path, 80), kTrue);
    EXPECT_TRUE(InspectJpeg(ReadBytes(path)).valid);
    EXPECT_LT(test::MeanDifference(LoadPicture(path).image(), image), 1.5);
    EXPECT_EQ(test::DirectoryEntries(dir.path()), QStringList{QStringLiteral("原图.bmp")});
}

TEST(SaveAsJpeg, SameArgumentsGiveTheSameFileAlsoOnSeveralThreadsAtOnce) {
    test::TempDir dir;
    const StdPicture pictures[] = {StdPicture(Photo(640, 480)), StdPicture(Photo(333, 517)),
                                   StdPicture(test::PatternImage(128, 96))};
    std::vector<QByteArray> expected;
    for (const StdPicture& picture : pictures) {
        const QString path = dir.file(QStringLiteral("先.jpg"));
        ASSERT_EQ(SaveAsJpeg(picture, path, 80), kTrue);
        expected.push_back(ReadBytes(path));
        ASSERT_EQ(SaveAsJpeg(picture, path, 80), kTrue);
        EXPECT_EQ(ReadBytes(path), expected.back());
    }

    constexpr int kThreads = 6;
    std::vector<Boolean> results(kThreads, kFalse);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 3; ++round) {
                const StdPicture& picture = pictures[(t + round) % 3];
                const QString path = dir.file(QStringLiteral("线程%1-%2.jpg").arg(t).arg(round));
                results[t] = SaveAsJpeg(picture, path, 80);
                if (results[t] != kTrue) {
                    return;
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    for (int t = 0; t < kThreads; ++t) {
        EXPECT_EQ(results[t], kTrue) << t;
        for (int round = 0; round < 3; ++round) {
            const QString path = dir.file(QStringLiteral("线程%1-%2.jpg").arg(t).arg(round));
            EXPECT_EQ(ReadBytes(path), expected[(t + round) % 3]) << t << ' ' << round;
        }
    }
}

TEST(WriteJpegFile, HighQualityKeepsEveryPixelsColour) {
    test::TempDir dir;
    const QString path = dir.file(QStringLiteral("高质量.jpg"));
    const QImage image = Photo(200, 150);
    QString reason;
    ASSERT_TRUE(WriteJpegFile(StdPicture(image), path, kHighQuality, &reason)) << reason;
    const test::JpegInfo info = InspectJpeg(ReadBytes(path));
    EXPECT_EQ(info.sampling, (std::vector<std::pair<int, int>>{{1, 1}, {1, 1}, {1, 1}}));
    ASSERT_EQ(info.quantTables.size(), 2u);
    EXPECT_EQ(info.quantTables[0], test::StandardQuantTable(0, 95));
    EXPECT_EQ(info.quantTables[1], test::StandardQuantTable(1, 95));
    EXPECT_LT(test::MeanDifference(LoadPicture(path).image(), image), 2.0);
}

}  // namespace
}  // namespace lanxi
