// The batch's header probe and the decoders read each header with the same code: on every file
// we have, whatever the decoder does, the probe said so beforehand.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include "codec/picture_probe.h"
#include "tests/support/bad_files.h"
#include "tests/support/bmp.h"
#include "tests/support/formats.h"
#include "tests/support/images.h"
#include "tests/support/probe_agreement.h"

namespace lanxi {
namespace {

TEST(ProbeAgreement, TheProbeForetellsWhatTheDecoderDoesOnEveryFileWeHave) {
    std::vector<std::pair<QString, QByteArray>> files;
    QDirIterator seeds(QStringLiteral(LANXI_FUZZ_CORPUS), QDir::Files,
                       QDirIterator::Subdirectories);
    while (seeds.hasNext()) {
        const QString path = seeds.next();
        files.emplace_back(path, test::ReadBytes(path));
    }
    test::TempDir dir;
    for (const test::BadFile& f : test::MakeBadFiles(dir)) {
        if (!f.special()) {
            files.emplace_back(f.name, f.bytes);
        }
    }
    const QImage photo = test::SmoothImage(333, 215);
    test::Bmp rle;
    rle.width = 5;
    rle.height = -3;
    rle.bpp = 8;
    rle.compression = 1;
    rle.palette = test::GreyPalette(4);
    rle.pixels = QByteArray::fromHex("0301 0002 0203 0000 0001");
    for (const auto& [name, bytes] : std::vector<std::pair<const char*, QByteArray>>{
             {"baseline 4:2:0", test::MakeJpeg(photo, {})},
             {"progressive", test::MakeJpeg(photo, {90, true})},
             {"arithmetic", test::MakeJpeg(photo, {90, false, true})},
             {"progressive arithmetic", test::MakeJpeg(photo, {80, true, true})},
             {"turned and mirrored", test::JpegWithOrientation(photo, 5, 2000)},
             {"turned", test::JpegWithOrientation(photo, 8)},
             {"flat arithmetic picture", test::ArithmeticBomb(1200, 900)},
             {"cmyk", test::CmykJpeg(40, 30, 10, 200, 30, 0)},
             {"claims more than it holds", test::JpegClaimingSize(photo, 30000, 30000)},
             {"rle with a negative height", rle.bytes()},
             {"cut in half", test::MakeJpeg(photo, {90, true}).left(3000)},
             {"png cut short, kept grey below", test::MakePng(photo, {}).chopped(2000)},
         }) {
        files.emplace_back(QString::fromUtf8(name), bytes);
    }
    for (const auto& [format, depth] :
         {std::pair{"png", QImage::Format_ARGB32}, std::pair{"png", QImage::Format_RGBA64},
          std::pair{"bmp", QImage::Format_Indexed8}, std::pair{"ppm", QImage::Format_RGB32},
          std::pair{"xpm", QImage::Format_RGB32}}) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(photo.convertToFormat(depth).save(&buffer, format)) << format;
        files.emplace_back(QString::fromLatin1(format), bytes);
    }
    ASSERT_GT(files.size(), 40u);
    for (const auto& [name, bytes] : files) {
        // A seed that decodes to gigabytes (the fuzzer's bombs) would only make this slow.
        if (ProbePicture(MemorySource(bytes)).memoryBytes > 256 * 1024 * 1024) {
            continue;
        }
        EXPECT_EQ(test::ProbeDisagreement(bytes), QString()) << name;
    }
}

// What the batch reads from disk is what the decoder reads from memory.
TEST(ProbeAgreement, AFileOnDiskProbesAsItsBytesDo) {
    test::TempDir dir;
    const QByteArray turned = test::JpegWithOrientation(test::SmoothImage(64, 48), 6, 70'000);
    test::WriteBytes(turned, dir.file(QStringLiteral("竖.jpg")));
    const PictureFootprint onDisk = ProbePictureFile(dir.file(QStringLiteral("竖.jpg")));
    const PictureFootprint inMemory = ProbePicture(MemorySource(turned));
    EXPECT_EQ(onDisk.size, QSize(48, 64));
    EXPECT_EQ(onDisk.size, inMemory.size);
    EXPECT_EQ(onDisk.memoryBytes, inMemory.memoryBytes);
}

}  // namespace
}  // namespace lanxi
