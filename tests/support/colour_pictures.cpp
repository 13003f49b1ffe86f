#include "tests/support/colour_pictures.h"

#include <lcms2.h>

#include <QColor>
#include <vector>

namespace lanxi::test {
namespace {

QImage transformed(const QImage& image, cmsHPROFILE from, cmsHPROFILE to) {
    QImage out = image.convertToFormat(QImage::Format_RGB32);
    // A grey profile reads the grey (the green channel) into sRGB.
    const bool grey = cmsGetColorSpace(from) == cmsSigGrayData;
    cmsHTRANSFORM t = cmsCreateTransform(from, grey ? TYPE_GRAY_8 : TYPE_BGRA_8, to, TYPE_BGRA_8,
                                         INTENT_PERCEPTUAL, grey ? 0 : cmsFLAGS_COPY_ALPHA);
    std::vector<unsigned char> row(std::size_t(out.width()));
    for (int y = 0; t != nullptr && y < out.height(); ++y) {
        if (grey) {
            for (int x = 0; x < out.width(); ++x) {
                row[std::size_t(x)] = (unsigned char)qGreen(out.pixel(x, y));
            }
            cmsDoTransform(t, row.data(), out.scanLine(y), cmsUInt32Number(out.width()));
            for (int x = 0; x < out.width(); ++x) {
                out.setPixel(x, y, out.pixel(x, y) | 0xff000000u);
            }
        } else {
            cmsDoTransform(t, out.constScanLine(y), out.scanLine(y), cmsUInt32Number(out.width()));
        }
    }
    if (t != nullptr) {
        cmsDeleteTransform(t);
    }
    cmsCloseProfile(from);
    cmsCloseProfile(to);
    return out;
}

cmsHPROFILE open(const QByteArray& profile) {
    return cmsOpenProfileFromMem(profile.constData(), cmsUInt32Number(profile.size()));
}

// The odd inks, as Lab for the profile's table.
cmsInt32Number oddInk(const cmsUInt16Number in[], cmsUInt16Number out[], void*) {
    const double c = in[0] / 65535.0, m = in[1] / 65535.0, y = in[2] / 65535.0, k = in[3] / 65535.0;
    const double white = 1 - k;
    // Cyan takes away red and blue (green remains), magenta red and green, yellow green and blue.
    const QColor rgb =
        QColor::fromRgbF(float(white * (1 - c) * (1 - m)), float(white * (1 - m) * (1 - y)),
                         float(white * (1 - c) * (1 - y)));
    static const cmsHTRANSFORM toLab = [] {
        cmsHPROFILE srgb = cmsCreate_sRGBProfile();
        cmsHPROFILE lab = cmsCreateLab4Profile(nullptr);
        cmsHTRANSFORM t =
            cmsCreateTransform(srgb, TYPE_RGB_DBL, lab, TYPE_Lab_16, INTENT_PERCEPTUAL, 0);
        cmsCloseProfile(srgb);
        cmsCloseProfile(lab);
        return t;
    }();
    const double pixel[3] = {rgb.redF(), rgb.greenF(), rgb.blueF()};
    cmsDoTransform(toLab, pixel, out, 1);
    return TRUE;
}

}  // namespace

QByteArray SavedProfile(cmsHPROFILE profile) {
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    QByteArray bytes(qsizetype(size), Qt::Uninitialized);
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsCloseProfile(profile);
    return bytes;
}

QByteArray RgbProfile(RgbSpace space) {
    cmsCIExyY d65{0.3127, 0.3290, 1}, d50{0.3457, 0.3585, 1};
    cmsCIExyYTRIPLE primaries;
    cmsToneCurve* curve = nullptr;
    cmsCIExyY white = d65;
    switch (space) {
        case RgbSpace::AdobeRgb:
            primaries = {{0.64, 0.33, 1}, {0.21, 0.71, 1}, {0.15, 0.06, 1}};
            curve = cmsBuildGamma(nullptr, 563.0 / 256);
            break;
        case RgbSpace::DisplayP3: {
            primaries = {{0.680, 0.320, 1}, {0.265, 0.690, 1}, {0.150, 0.060, 1}};
            const cmsFloat64Number p[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
            curve = cmsBuildParametricToneCurve(nullptr, 4, p);
            break;
        }
        case RgbSpace::ProPhoto:
            primaries = {{0.7347, 0.2653, 1}, {0.1596, 0.8404, 1}, {0.0366, 0.0001, 1}};
            white = d50;
            curve = cmsBuildGamma(nullptr, 1.8);
            break;
        case RgbSpace::LinearSrgb:
            primaries = {{0.64, 0.33, 1}, {0.30, 0.60, 1}, {0.15, 0.06, 1}};
            curve = cmsBuildGamma(nullptr, 1.0);
            break;
    }
    cmsToneCurve* curves[3] = {curve, curve, curve};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsFreeToneCurve(curve);
    return SavedProfile(profile);
}

QByteArray GreyProfile(double gamma) {
    cmsToneCurve* curve = cmsBuildGamma(nullptr, gamma);
    cmsHPROFILE profile = cmsCreateGrayProfile(cmsD50_xyY(), curve);
    cmsFreeToneCurve(curve);
    return SavedProfile(profile);
}

QByteArray OddCmykProfile() {
    cmsHPROFILE profile = cmsCreateProfilePlaceholder(nullptr);
    cmsSetProfileVersion(profile, 4.3);
    cmsSetDeviceClass(profile, cmsSigOutputClass);
    cmsSetColorSpace(profile, cmsSigCmykData);
    cmsSetPCS(profile, cmsSigLabData);
    // The table between plain curves, as a v4 lookup table (mAB) must be made.
    cmsPipeline* table = cmsPipelineAlloc(nullptr, 4, 3);
    cmsStage* grid = cmsStageAllocCLut16bit(nullptr, 9, 4, 3, nullptr);
    cmsStageSampleCLut16bit(grid, oddInk, nullptr, 0);
    cmsPipelineInsertStage(table, cmsAT_BEGIN, cmsStageAllocToneCurves(nullptr, 4, nullptr));
    cmsPipelineInsertStage(table, cmsAT_END, grid);
    cmsPipelineInsertStage(table, cmsAT_END, cmsStageAllocToneCurves(nullptr, 3, nullptr));
    cmsWriteTag(profile, cmsSigAToB0Tag, table);
    cmsPipelineFree(table);
    return SavedProfile(profile);
}

QImage InProfile(const QImage& srgb, const QByteArray& profile) {
    return transformed(srgb, cmsCreate_sRGBProfile(), open(profile));
}

QImage FromProfile(const QImage& stored, const QByteArray& profile) {
    return transformed(stored, open(profile), cmsCreate_sRGBProfile());
}

QRgb CmykColour(const QByteArray& profile, int c, int m, int y, int k) {
    cmsHPROFILE from = open(profile);
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    cmsHTRANSFORM t = cmsCreateTransform(from, TYPE_CMYK_8, srgb, TYPE_RGB_8, INTENT_PERCEPTUAL, 0);
    const unsigned char ink[4] = {(unsigned char)c, (unsigned char)m, (unsigned char)y,
                                  (unsigned char)k};
    unsigned char rgb[3];
    cmsDoTransform(t, ink, rgb, 1);
    cmsDeleteTransform(t);
    cmsCloseProfile(from);
    cmsCloseProfile(srgb);
    return qRgb(rgb[0], rgb[1], rgb[2]);
}

}  // namespace lanxi::test
