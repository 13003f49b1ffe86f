// Pictures whose files say their colours are meant in another space than sRGB give copies in
// their true colours; a picture that says nothing is taken as sRGB.
#include <gtest/gtest.h>

#include <QImage>

#include "codec/loader.h"
#include "tests/support/colour_pictures.h"
#include "tests/support/formats.h"
#include "tests/support/images.h"
#include "upload/upload_copy.h"

namespace lanxi {
namespace {

// The copy of a file, decoded: what the site shows.
QImage copyOf(const test::TempDir& dir, const QString& name, const QByteArray& bytes) {
    test::WriteBytes(bytes, dir.file(name));
    const FittedCopy copy = MakeUploadCopyOfFile(dir.file(name), {});
    EXPECT_TRUE(copy.fits()) << name << ": " << copy.reason;
    return DecodePicture(copy.jpeg).image();
}

TEST(ColourManagement, EveryProfileGivesACopyInTheTrueColours) {
    test::TempDir dir;
    // Smooth, so that what JPEG loses stays well below what the colours would be off.
    const QImage photo = test::SmoothImage(320, 240);
    struct Case {
        const char* name;
        test::RgbSpace space;
    };
    for (const Case& c :
         {Case{"adobe.jpg", test::RgbSpace::AdobeRgb}, Case{"p3.jpg", test::RgbSpace::DisplayP3},
          Case{"prophoto.jpg", test::RgbSpace::ProPhoto}}) {
        const QByteArray profile = test::RgbProfile(c.space);
        const QImage stored = test::InProfile(photo, profile);
        const QByteArray jpeg = test::MakeJpeg(stored, {95, false, false, 0, profile});
        const QImage reference =
            test::FromProfile(DecodePicture(test::MakeJpeg(stored, {95})).image(), profile);
        const QImage copy = copyOf(dir, QString::fromUtf8(c.name), jpeg);
        const double managed = test::MeanDifference(copy, reference);
        // Read as sRGB, as the copy was before, the colours are visibly off.
        const double unmanaged =
            test::MeanDifference(copy, DecodePicture(test::MakeJpeg(stored, {95})).image());
        EXPECT_LT(managed, 2.55) << c.name;  // 1 % of the scale
        EXPECT_GT(unmanaged, 2 * managed) << c.name;
    }

    // A PNG's iCCP chunk, and its gAMA when it has no profile; a HEIC's nclx box naming Display
    // P3's primaries and sRGB's curve, as phones write it.
    const QByteArray p3 = test::RgbProfile(test::RgbSpace::DisplayP3);
    const QImage inP3 = test::InProfile(photo, p3);
    const QImage linear = test::InProfile(photo, test::RgbProfile(test::RgbSpace::LinearSrgb));
    test::PngMaking gamma;
    gamma.gamma = 100000;
    struct Other {
        const char* name;
        QByteArray file;
        QImage reference;
        QImage stored;  // the pixels as they are, read as sRGB
    };
    std::vector<Other> others = {
        {"p3.png", test::MakePng(inP3, {test::PngMaking::Rgb, 8, false, false, p3}),
         test::FromProfile(inP3, p3), inP3},
        {"linear.png", test::MakePng(linear, gamma), photo, linear},
    };
    const QByteArray heic = test::MakeHeif(inP3, {false, 1, 95});
    if (!heic.isEmpty()) {
        test::HeifMaking nclx{false, 1, 95};
        nclx.nclx = std::pair{12, 13};
        others.push_back({"p3.heic", test::MakeHeif(inP3, nclx),
                          test::FromProfile(DecodePicture(heic).image(), p3),
                          DecodePicture(heic).image()});
    }
    for (const Other& o : others) {
        const QImage copy = copyOf(dir, QString::fromUtf8(o.name), o.file);
        EXPECT_LT(test::MeanDifference(copy, o.reference), 2.55) << o.name;
        EXPECT_GT(test::MeanDifference(copy, o.stored), 2 * test::MeanDifference(copy, o.reference))
            << o.name;
    }

    // A grey photograph under a grey profile stays grey, and its copy has one component.
    const QByteArray grey = test::GreyProfile(1.0);
    const QByteArray greyJpeg = test::MakeJpeg(photo, {95, false, false, 0, grey, true});
    const QImage greyCopy = copyOf(dir, QStringLiteral("灰.jpg"), greyJpeg);
    const QImage greyStored =
        DecodePicture(test::MakeJpeg(photo, {95, false, false, 0, {}, true})).image();
    EXPECT_LT(test::MeanDifference(greyCopy, test::FromProfile(greyStored, grey)), 2.55);
    EXPECT_GT(test::MeanDifference(greyCopy, greyStored), 10.0) << "a linear grey is lighter";
    for (int y = 0; y < greyCopy.height(); y += 7) {
        for (int x = 0; x < greyCopy.width(); x += 7) {
            const QRgb p = greyCopy.pixel(x, y);
            ASSERT_TRUE(qRed(p) == qGreen(p) && qGreen(p) == qBlue(p)) << x << "," << y;
        }
    }

    // A CMYK picture is printed through its own profile, whatever its inks would be elsewhere.
    const QByteArray inks = test::OddCmykProfile();
    const QImage cmyk =
        copyOf(dir, QStringLiteral("印刷.jpg"), test::CmykJpeg(48, 32, 200, 0, 0, 0, inks));
    const QRgb expected = test::CmykColour(inks, 200, 0, 0, 0);
    const QRgb got = cmyk.pixel(24, 16);
    EXPECT_LE(std::abs(qRed(got) - qRed(expected)) + std::abs(qGreen(got) - qGreen(expected)) +
                  std::abs(qBlue(got) - qBlue(expected)),
              12)
        << std::hex << got << " " << expected;
}

}  // namespace
}  // namespace lanxi
