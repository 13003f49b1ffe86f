// Photos as phones write them: a HEIC grid of 512-pixel tiles whose last column and row are cut
// at the picture's edge, turned and mirrored by the grid's boxes, in Display P3, at 10 bits. The
// copy of each is the picture it was made from, upright and in its true colours; a damaged grid
// is refused with its reason, and one that names more tiles than its canvas needs is refused by
// its header before any tile is decoded.
#include <gtest/gtest.h>

#include "codec/jpeg_decode.h"
#include "codec/loader.h"
#include "codec/picture_probe.h"
#include "tests/support/colour_pictures.h"
#include "tests/support/formats.h"
#include "tests/support/images.h"
#include "upload/upload_copy.h"

namespace lanxi {
namespace {

TEST(PhonePhotos, EveryGridGivesTheCopyOfThePictureItWasMadeFrom) {
    if (test::MakeHeif(test::SmoothImage(16, 16), {}).isEmpty()) {
        GTEST_SKIP() << "libheif has no HEVC encoder here (the Windows build)";
    }
    test::TempDir dir;
    // A phone's 12 megapixels: 8 x 6 tiles, the last column 448 pixels wide, the last row 464
    // high. The other pictures are smaller, with the same cut edges (4 x 3 tiles of 256).
    const QImage photo = test::SmoothImage(4032, 3024);
    const QImage small = test::SmoothImage(1000, 700);
    const QByteArray p3 = test::RgbProfile(test::RgbSpace::DisplayP3);
    const QImage smallInP3 = test::InProfile(small, p3);
    const QSize smallTile(256, 256);
    const auto grid = [&](const char* name, const QImage& image, test::HeifMaking how) {
        return test::CachedPicture(QString::fromUtf8(name),
                                   [&] { return test::MakeHeif(image, how); });
    };
    const QByteArray phoneGrid = test::PhoneHeic();
    test::HeifMaking smallGrid{false, 1, 80};
    smallGrid.tile = smallTile;
    const auto with = [&](auto change) {
        test::HeifMaking how = smallGrid;
        change(how);
        return how;
    };

    struct Case {
        const char* name;
        QByteArray file;
        QImage reference;  // what the copy shows; null when the file is refused
        QImage wrong;      // what it would show with the boxes' meaning lost
        QString reason;    // part of the refusal
    };
    const Case cases[] = {
        {"手机 4032×3024.heic", phoneGrid, photo, {}, {}},
        {"portrait.heic",
         grid("portrait-irot.heic", small, with([](auto& h) { h.orientation = 6; })),
         Orient(small, 6),
         small.transformed(QTransform().rotate(-90)),
         {}},
        {"mirrored.heic",
         grid("mirrored-imir.heic", small, with([](auto& h) { h.orientation = 2; })),
         Orient(small, 2),
         small,
         {}},
        {"turned and mirrored.heic",
         grid("turned-mirrored.heic", small, with([](auto& h) { h.orientation = 7; })),
         Orient(small, 7),
         Orient(small, 6),
         {}},
        {"display-p3.heic",
         grid("display-p3-nclx.heic", smallInP3, with([](auto& h) {
                  h.nclx = std::pair{12, 13};
              })),
         test::FromProfile(smallInP3, p3),
         smallInP3,
         {}},
        {"10-bit.heic",
         grid("10-bit.heic", small, with([](auto& h) { h.bitDepth = 10; })),
         small,
         {},
         {}},
        {"missing a tile.heic",
         grid("missing-tile.heic", small, with([](auto& h) { h.missingTile = QPoint(1, 1); })),
         {},
         {},
         QStringLiteral("网格缺少第 2 行第 2 块")},
        {"cut short.heic",
         phoneGrid.left(phoneGrid.size() * 3 / 5),
         {},
         {},
         QStringLiteral("HEIF 图片")},
        // 4 x 3 tiles of 256 for a canvas of 500 x 300, which 2 x 2 of them cover.
        {"more tiles than its canvas.heic",
         grid("beyond-canvas.heic", small, with([](auto& h) { h.canvas = QSize(500, 300); })),
         {},
         {},
         QStringLiteral("只需 2 × 2 块")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_FALSE(c.file.isEmpty());
        const QString path = dir.file(QString::fromUtf8(c.name));
        test::WriteBytes(c.file, path);
        const FittedCopy copy = MakeUploadCopyOfFile(path, {});
        if (c.reference.isNull()) {
            EXPECT_FALSE(copy.fits());
            EXPECT_TRUE(copy.reason.contains(c.reason)) << copy.reason;
            continue;
        }
        ASSERT_TRUE(copy.fits()) << copy.reason;
        const QImage shown = DecodePicture(copy.jpeg).image();
        ASSERT_EQ(shown.size(), c.reference.size());
        const double off = test::MeanDifference(shown, c.reference);
        EXPECT_LT(off, 3.0);
        if (!c.wrong.isNull() && c.wrong.size() == shown.size()) {
            EXPECT_GT(test::MeanDifference(shown, c.wrong), 2 * off);
        }
    }
    // The refusal of a grid beyond its canvas is its header's: the batch's probe says it before
    // the row starts.
    const QString beyond = dir.file(QStringLiteral("more tiles than its canvas.heic"));
    EXPECT_TRUE(ProbePictureFile(beyond).refusal.contains(QStringLiteral("只需 2 × 2 块")));
}

}  // namespace
}  // namespace lanxi
