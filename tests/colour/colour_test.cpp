// The quick conversion of the matrix profiles cameras, phones and editors write agrees with Little
// CMS on every colour, those outside sRGB's gamut included, and a profile no camera writes cannot
// lead it outside its tables; a profile that cannot be right is not used.
#include <gtest/gtest.h>
#include <lcms2.h>

#include <QImage>
#include <algorithm>
#include <cstdlib>

#include "colour/colour.h"
#include "tests/support/colour_pictures.h"

namespace lanxi {
namespace {

// Every fifth level of each channel, both ends included.
QImage everyColour() {
    constexpr int kLevels = 52;
    QImage grid(kLevels * kLevels, kLevels, QImage::Format_RGB32);
    for (int b = 0; b < kLevels; ++b) {
        for (int g = 0; g < kLevels; ++g) {
            for (int r = 0; r < kLevels; ++r) {
                grid.setPixel(g * kLevels + r, b, qRgb(r * 5, g * 5, b * 5));
            }
        }
    }
    return grid;
}

int largestDifference(const QImage& a, const QImage& b) {
    int largest = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            largest = std::max({largest, std::abs(qRed(p) - qRed(q)),
                                std::abs(qGreen(p) - qGreen(q)), std::abs(qBlue(p) - qBlue(q))});
        }
    }
    return largest;
}

TEST(ColourConversion, MatrixProfilesAgreeWithLittleCmsOnEveryColour) {
    const QImage grid = everyColour();
    for (const test::RgbSpace space : {test::RgbSpace::AdobeRgb, test::RgbSpace::DisplayP3,
                                       test::RgbSpace::ProPhoto, test::RgbSpace::LinearSrgb}) {
        const QByteArray profile = test::RgbProfile(space);
        QImage ours = grid;
        ASSERT_TRUE(ToSrgb(&ours, ColourSpace{profile, {}, {}}));
        EXPECT_LE(largestDifference(ours, test::FromProfile(grid, profile)), 1) << int(space);
    }

    // Colorants far beyond white, so that every channel adds more light to red than the tables
    // reach: the result is clipped, and nothing is read outside the tables (the sanitizers' run).
    cmsHPROFILE odd = cmsCreate_sRGBProfile();
    const cmsCIEXYZ far{3, 1, 0.1};
    for (const cmsTagSignature tag :
         {cmsSigRedColorantTag, cmsSigGreenColorantTag, cmsSigBlueColorantTag}) {
        cmsWriteTag(odd, tag, &far);
    }
    const QByteArray bytes = test::SavedProfile(odd);
    QImage white(8, 2, QImage::Format_RGB32);
    white.fill(Qt::white);
    ASSERT_TRUE(ToSrgb(&white, ColourSpace{bytes, {}, {}}));
    EXPECT_EQ(qRed(white.pixel(7, 1)), 255);
}

// A profile whose colorants or curves no colour space has (the words 0x80000000 or 0x7FFFFFFF
// of a damaged or forged file, a curve that stays dark or white) turned a photograph almost
// solid green; the picture is taken as sRGB instead, as one without a profile, and that is no
// failure.
TEST(ColourConversion, AProfileThatCannotBeRightIsNotUsed) {
    const QImage grid = everyColour();
    const auto forged = [](auto change) {
        cmsHPROFILE profile = cmsCreate_sRGBProfile();
        change(profile);
        return test::SavedProfile(profile);
    };
    const auto colorant = [&](cmsTagSignature tag, cmsCIEXYZ xyz) {
        return forged([&](cmsHPROFILE p) { cmsWriteTag(p, tag, &xyz); });
    };
    const auto curve = [&](double gamma) {
        return forged([&](cmsHPROFILE p) {
            cmsToneCurve* c = cmsBuildGamma(nullptr, gamma);
            for (const cmsTagSignature tag :
                 {cmsSigRedTRCTag, cmsSigGreenTRCTag, cmsSigBlueTRCTag}) {
                cmsWriteTag(p, tag, c);
            }
            cmsFreeToneCurve(c);
        });
    };
    const std::pair<const char*, QByteArray> cases[] = {
        {"red colorant 0x80000000", colorant(cmsSigRedColorantTag, {-32768.0, 0.2225, 0.0139})},
        {"green colorant 0x7FFFFFFF",
         colorant(cmsSigGreenColorantTag, {0.3851, 32767.99998, 0.0971})},
        {"no light in white", colorant(cmsSigGreenColorantTag, {0.3851, -0.3, 0.0971})},
        {"a curve of gamma 32768", curve(32767.99998)},
        {"a curve of gamma 0", curve(0)},
    };
    for (const auto& [what, profile] : cases) {
        QImage picture = grid;
        EXPECT_TRUE(ToSrgb(&picture, ColourSpace{profile, {}, {}})) << what;
        EXPECT_EQ(largestDifference(picture, grid), 0) << what;
    }
}

}  // namespace
}  // namespace lanxi
