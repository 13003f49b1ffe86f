// The upload copy fitted to the site's limits, on pictures with a photograph's detail.
#include <gtest/gtest.h>

#include <functional>

#include "codec/loader.h"
#include "document/drawn_image.h"
#include "tests/support/images.h"
#include "tests/support/jpeg_info.h"
#include "upload/upload_copy.h"

namespace lanxi {
namespace {

// Fitted copies are jpegli's progressive files, which libjpeg-turbo and Qt decode to the picture
// in its own colours; the default copy is libjpeg-turbo's, byte for byte.
TEST(UploadCopy, EveryPresetGivesACopyWithinItsPixelsAndBytesAndCloseToTheBytes) {
    const StdPicture photo(test::PhotoImage(1600, 1200));
    for (const PresetDescription& p : SitePresets()) {
        const FittedCopy copy = MakeUploadCopy(photo, p.limits);
        ASSERT_TRUE(copy.fits()) << p.caption << ": " << copy.reason;
        const test::JpegInfo info = test::InspectJpeg(copy.jpeg);
        EXPECT_EQ(QSize(info.width, info.height), copy.size) << p.caption;
        const bool fullColour = info.sampling.size() == 3 && info.sampling[0] == std::pair(1, 1);
        EXPECT_EQ(info.progressive, p.limits.maxBytes > 0) << p.caption;
        EXPECT_TRUE(info.jfif) << p.caption;
        const StdPicture scaled(
            Reduced(photo.image(), copy.size, p.limits.any() ? kFittedReduction : Reduction::Area));
        const QImage byQt = QImage::fromData(copy.jpeg, "JPEG");
        EXPECT_EQ(test::MaxDifference(byQt, DecodePicture(copy.jpeg).image()), 0) << p.caption;
        EXPECT_LT(test::MeanDifference(byQt, scaled.image()), 8.0) << p.caption;
        for (int marker : info.markers) {
            EXPECT_FALSE(test::IsMetadataMarker(marker)) << p.caption;
        }
        const QSize limited = LimitedSize(p.limits, photo.size());
        if (copy.quality > kLowestFittedQuality) {
            EXPECT_EQ(copy.size, limited) << p.caption << ": pixels given up although not needed";
        } else {
            EXPECT_TRUE(limited.width() >= copy.size.width() &&
                        limited.height() >= copy.size.height());
            EXPECT_GE(copy.jpeg.size(), p.limits.maxBytes * 85 / 100) << "the budget is spent";
        }
        if (p.limits.maxBytes == 0) {
            EXPECT_EQ(copy.jpeg, EncodeJpeg(photo, kUploadCopy))
                << "the copy of quality 80, byte for byte";
            continue;
        }
        EXPECT_LE(copy.jpeg.size(), p.limits.maxBytes) << p.caption;
        EXPECT_GE(copy.quality, kLowestFittedQuality) << p.caption;
        // Full colour exactly when the highest quality fits with it; halved colour otherwise.
        EXPECT_EQ(fullColour,
                  EncodeJpeg(scaled, {kHighestFittedQuality, false, kFittedEncoder}).size() <=
                      p.limits.maxBytes)
            << p.caption;
        if (copy.quality < kHighestFittedQuality) {
            // The next quality up would not have fitted.
            const JpegSettings above{copy.quality + 1, true, kFittedEncoder};
            EXPECT_GT(EncodeJpeg(scaled, above).size(), p.limits.maxBytes) << p.caption;
        }
        EXPECT_LE(copy.encodes, 8) << p.caption;
    }
    EXPECT_EQ(LimitedSize(Describe(SitePreset::Article).limits, {3000, 1000}), QSize(700, 233));
    EXPECT_EQ(LimitedSize(Describe(SitePreset::Avatar310).limits, {500, 800}), QSize(310, 496));
    EXPECT_EQ(LimitedSize(Describe(SitePreset::Avatar210).limits, {900, 600}), QSize(315, 210));
    EXPECT_EQ(LimitedSize(Describe(SitePreset::Avatar310).limits, {200, 150}), QSize(200, 150))
        << "never enlarged";
}

TEST(UploadCopy, ALargerBudgetNeverGivesALowerQualityNorFewerPixelsNorLessColour) {
    const StdPicture photo(test::PhotoImage(900, 600));
    int quality = 0;
    qint64 pixels = 0;
    bool fullColour = false;
    for (const std::int64_t budget : {3'000, 8'000, 20'000, 50'000, 90'000, 150'000, 400'000}) {
        const FittedCopy copy = MakeUploadCopy(photo, {0, 0, budget});
        ASSERT_TRUE(copy.fits()) << budget << ": " << copy.reason;
        EXPECT_LE(copy.jpeg.size(), budget);
        EXPECT_GE(copy.quality, quality) << budget;
        EXPECT_GE(qint64(copy.size.width()) * copy.size.height(), pixels) << budget;
        if (copy.quality == kLowestFittedQuality && copy.size != photo.size()) {
            // Pixels were given up: the budget is still spent, not left far under, unless the
            // copy is a pixel short of the picture (any resampling softens the picture's
            // finest detail, and so its file, at once).
            EXPECT_TRUE(copy.jpeg.size() >= budget * 85 / 100 ||
                        copy.size.width() >= photo.width() - 1)
                << budget << ": " << copy.jpeg.size() << " bytes";
            EXPECT_NEAR(double(copy.size.width()) / copy.size.height(), 1.5, 0.02);
        }
        const test::JpegInfo info = test::InspectJpeg(copy.jpeg);
        const bool full = info.sampling.size() == 3 && info.sampling[0] == std::pair(1, 1);
        EXPECT_TRUE(full || !fullColour) << budget << ": halved colour after full colour";
        EXPECT_TRUE(!full || copy.quality == kHighestFittedQuality) << budget;
        quality = copy.quality;
        pixels = qint64(copy.size.width()) * copy.size.height();
        fullColour = full;
    }
    EXPECT_EQ(quality, kHighestFittedQuality);
    EXPECT_TRUE(fullColour) << "the largest budget holds the highest quality in full colour";

    const FittedCopy none = MakeUploadCopy(photo, {0, 0, 100});
    EXPECT_FALSE(none.fits());
    EXPECT_TRUE(none.reason.contains(QStringLiteral("无法小于"))) << none.reason;
}

// A picture that must give up pixels is never encoded whole, nor much larger than what fits,
// and still spends its budget: a photograph, a picture as busy as noise, and a flat picture a few
// hundred bytes claim to be millions of pixels of, decoded no larger than any file of the budget
// could hold.
TEST(UploadCopy, TheWorkIsBoundedBeforeAnyCandidateIsEncoded) {
    test::TempDir dir;
    const QString bomb = dir.file(QStringLiteral("平.jpg"));
    test::WriteBytes(test::ArithmeticBomb(4000, 3000), bomb);
    const struct {
        const char* what;
        std::function<FittedCopy()> make;
        std::int64_t budget;
    } cases[] = {
        {"photograph",
         [] {
             return MakeUploadCopy(StdPicture(test::PhotoImage(2400, 1600)), {0, 0, 40'000});
         },
         40'000},
        {"noise",
         [] {
             return MakeUploadCopy(StdPicture(test::PatternImage(2400, 1600)), {0, 0, 40'000});
         },
         40'000},
        {"flat",
         [&bomb] {
             return MakeUploadCopyOfFile(bomb, {0, 0, 2'000});
         },
         2'000},
    };
    for (const auto& c : cases) {
        const FittedCopy copy = c.make();
        ASSERT_TRUE(copy.fits()) << c.what << ": " << copy.reason.toStdString();
        const std::int64_t pixels = std::int64_t(copy.size.width()) * copy.size.height();
        EXPECT_EQ(copy.quality, kLowestFittedQuality) << c.what;
        EXPECT_LE(copy.bytes, c.budget) << c.what;
        EXPECT_GE(copy.bytes, c.budget * 85 / 100) << c.what << ": the budget is spent";
        EXPECT_LE(copy.largestEncoded, 4 * pixels) << c.what;
        EXPECT_LE(double(copy.largestEncoded), MostFittingPixels(c.budget)) << c.what;
        EXPECT_LE(copy.encodes, 8) << c.what;
    }
}

// The copy of a frame's result is made straight from the pictures it is drawn from, a band at a
// time, and only measured when no save takes it: the bytes are those of the whole result's
// copy, for an enlarged, a shrunk and a grey result alike. Fitted, what shrinks is reduced
// sharply from the pictures, not from the result's averaged pixels, and grey stays one
// component.
TEST(UploadCopy, ACopyMadeFromTheDrawnResultIsTheCopyOfTheWholeResult) {
    const StdPicture photo(test::PhotoImage(300, 200));
    const StdPicture grey(test::PhotoImage(360, 270).convertToFormat(QImage::Format_Grayscale8));
    for (const auto& [what, picture, size] : {std::tuple{"enlarged", photo, QSize(977, 651)},
                                              std::tuple{"shrunk", photo, QSize(141, 94)},
                                              std::tuple{"grey, enlarged", grey, QSize(451, 338)},
                                              std::tuple{"grey, shrunk", grey, QSize(113, 85)}}) {
        DrawnImage result;
        result.resize(size);
        result.paint(picture, QRectF(0, 0, size.width(), size.height()),
                     QRectF(0, 0, picture.width(), picture.height()));
        const QByteArray whole = EncodeJpeg(result.image(), kUploadCopy);
        const FittedCopy measured = MakeUploadCopy(result, {}, nullptr, {}, true);
        EXPECT_TRUE(measured.jpeg.isEmpty()) << what;
        EXPECT_EQ(measured.bytes, whole.size()) << what;
        EXPECT_EQ(MakeUploadCopy(result, {}).jpeg, whole) << what;
        const SiteLimits binding{0, 0, whole.size()};
        const FittedCopy fitted = MakeUploadCopy(result, binding);
        ASSERT_TRUE(fitted.fits()) << what;
        const StdPicture sharp = result.image(kFittedReduction);
        EXPECT_EQ(fitted.jpeg, MakeUploadCopy(sharp, binding).jpeg) << what;
        EXPECT_EQ(test::InspectJpeg(fitted.jpeg).components, picture.grey() ? 1 : 3) << what;
        if (size.width() < picture.width()) {
            EXPECT_GT(test::MaxDifference(sharp.image(), result.image().image()), 2) << what;
        }
    }
}

// A JPEG the site would take as it is keeps its own picture, without its metadata: never a
// larger file nor a worse picture than the user gave. One over the limits is made again.
TEST(UploadCopy, AJpegThatAlreadyMeetsThePresetIsCopiedWithoutLoss) {
    test::TempDir dir;
    const QString path = dir.file(QStringLiteral("已合格.jpg"));
    const QByteArray source = test::JpegWithOrientation(test::PhotoImage(800, 600), 1, 40'000);
    test::WriteBytes(source, path);
    for (const SitePreset preset : {SitePreset::Article, SitePreset::IdCard}) {
        const SiteLimits limits = Describe(preset).limits;
        if (source.size() - 40'000 > limits.maxBytes) {
            continue;
        }
        const FittedCopy copy = MakeUploadCopyOfFile(path, limits);
        ASSERT_TRUE(copy.fits()) << copy.reason.toStdString();
        EXPECT_LT(copy.bytes, source.size() - 39'000);
        EXPECT_EQ(
            test::MaxDifference(DecodePicture(copy.jpeg).image(), DecodePicture(source).image()),
            0);
        EXPECT_EQ(copy.quality, 95);
    }
    const QByteArray large = test::JpegBytes(test::PhotoImage(1600, 1200), 90);
    test::WriteBytes(large, path);
    const FittedCopy remade = MakeUploadCopyOfFile(path, Describe(SitePreset::Article).limits);
    EXPECT_EQ(remade.size, QSize(700, 525));
    EXPECT_LE(remade.bytes, 200'000);
}

}  // namespace
}  // namespace lanxi
