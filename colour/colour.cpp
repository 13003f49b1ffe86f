#include "colour/colour.h"

#include <lcms2.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <vector>

#include "base/log.h"
#include "document/picture.h"

namespace lanxi {
namespace {

constexpr cmsUInt32Number kIntent = INTENT_PERCEPTUAL;

struct Profile {
    cmsHPROFILE handle = nullptr;
    explicit Profile(cmsHPROFILE h) : handle(h) {}
    ~Profile() {
        if (handle != nullptr) {
            cmsCloseProfile(handle);
        }
    }
    Profile(const Profile&) = delete;
    Profile& operator=(const Profile&) = delete;
};

struct Curve {
    cmsToneCurve* curve;
    explicit Curve(cmsToneCurve* c) : curve(c) {}
    ~Curve() {
        if (curve != nullptr) {
            cmsFreeToneCurve(curve);
        }
    }
    Curve(const Curve&) = delete;
    Curve& operator=(const Curve&) = delete;
};

struct Transform {
    cmsHTRANSFORM handle = nullptr;
    explicit Transform(cmsHTRANSFORM h) : handle(h) {}
    ~Transform() {
        if (handle != nullptr) {
            cmsDeleteTransform(handle);
        }
    }
    Transform(const Transform&) = delete;
    Transform& operator=(const Transform&) = delete;
};

// IEC 61966-2-1: the sRGB curve, as a parametric curve of type 4.
cmsToneCurve* srgbCurve() {
    const cmsFloat64Number p[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
    return cmsBuildParametricToneCurve(nullptr, 4, p);
}

// BT.709's curve (also BT.601's and BT.2020's), read as the display decodes it.
cmsToneCurve* bt709Curve() {
    const cmsFloat64Number p[5] = {1 / 0.45, 1 / 1.099, 0.099 / 1.099, 1 / 4.5, 0.081};
    return cmsBuildParametricToneCurve(nullptr, 4, p);
}

cmsToneCurve* gammaCurve(double gamma) {
    return cmsBuildGamma(nullptr, gamma);
}

const cmsCIExyY kD65{0.3127, 0.3290, 1.0};

// Primaries of an H.273 ColourPrimaries code point (red, green, blue, white); false for one we
// do not know.
bool primariesOf(int code, cmsCIExyYTRIPLE* rgb, cmsCIExyY* white) {
    *white = kD65;
    switch (code) {
        case 1:  // BT.709, sRGB
            *rgb = {{0.640, 0.330, 1}, {0.300, 0.600, 1}, {0.150, 0.060, 1}};
            return true;
        case 5:  // BT.601 625 lines
            *rgb = {{0.640, 0.330, 1}, {0.290, 0.600, 1}, {0.150, 0.060, 1}};
            return true;
        case 6:  // BT.601 525 lines
        case 7:
            *rgb = {{0.630, 0.340, 1}, {0.310, 0.595, 1}, {0.155, 0.070, 1}};
            return true;
        case 9:  // BT.2020
            *rgb = {{0.708, 0.292, 1}, {0.170, 0.797, 1}, {0.131, 0.046, 1}};
            return true;
        case 11:  // DCI-P3, its own white
            *rgb = {{0.680, 0.320, 1}, {0.265, 0.690, 1}, {0.150, 0.060, 1}};
            *white = {0.314, 0.351, 1};
            return true;
        case 12:  // Display P3
            *rgb = {{0.680, 0.320, 1}, {0.265, 0.690, 1}, {0.150, 0.060, 1}};
            return true;
        default:
            return false;
    }
}

// The curve of an H.273 TransferCharacteristics code point. High dynamic range curves (PQ, HLG)
// are read as sRGB: a photograph's copy is no HDR picture, and its standard range is what shows.
cmsToneCurve* transferOf(int code) {
    switch (code) {
        case 1:
        case 6:
        case 14:
        case 15:
            return bt709Curve();
        case 4:
            return gammaCurve(2.2);
        case 5:
            return gammaCurve(2.8);
        case 8:
            return gammaCurve(1.0);
        default:
            return srgbCurve();
    }
}

cmsHPROFILE rgbProfile(const cmsCIExyY& white, const cmsCIExyYTRIPLE& primaries,
                       cmsToneCurve* curve) {
    const Curve owned(curve);
    cmsToneCurve* curves[3] = {curve, curve, curve};
    return curve != nullptr ? cmsCreateRGBProfile(&white, &primaries, curves) : nullptr;
}

// Whether a profile's colorants and curves can be a colour space's at all: numbers, colorants no
// larger than 4 in any coordinate (a real primary's, even an imaginary one's, stay below 1.5)
// adding up to a white with light, curves that rise from black through their middle to white.
// A damaged or forged one (words of 0x80000000 or 0x7FFFFFFF, a curve of gamma 0 or 32768)
// would turn a photograph one colour or black; its picture is taken as sRGB, as one without a
// profile.
bool plausible(cmsHPROFILE profile) {
    double whiteY = 0;
    int colorants = 0;
    for (const cmsTagSignature tag :
         {cmsSigRedColorantTag, cmsSigGreenColorantTag, cmsSigBlueColorantTag}) {
        if (const auto* c = static_cast<const cmsCIEXYZ*>(cmsReadTag(profile, tag))) {
            for (const double v : {c->X, c->Y, c->Z}) {
                if (!(std::fabs(v) <= 4)) {
                    return false;
                }
            }
            whiteY += c->Y;
            ++colorants;
        }
    }
    if (colorants > 0 && !(whiteY > 0)) {
        return false;
    }
    for (const cmsTagSignature tag :
         {cmsSigRedTRCTag, cmsSigGreenTRCTag, cmsSigBlueTRCTag, cmsSigGrayTRCTag}) {
        if (const auto* curve = static_cast<const cmsToneCurve*>(cmsReadTag(profile, tag))) {
            float previous = cmsEvalToneCurveFloat(curve, 0);
            if (!(std::fabs(previous) <= 0.1f)) {
                return false;
            }
            for (const float at : {0.25f, 0.5f, 0.75f, 1.0f}) {
                const float light = cmsEvalToneCurveFloat(curve, at);
                if (!(light > previous)) {
                    return false;
                }
                previous = light;
            }
            if (!(previous >= 0.5f && previous <= 4)) {
                return false;
            }
        }
    }
    return true;
}

// The profile the file's colour space describes; null for sRGB or what cannot be used.
cmsHPROFILE profileOf(const ColourSpace& colour) {
    if (!colour.icc.isEmpty()) {
        cmsHPROFILE profile =
            cmsOpenProfileFromMem(colour.icc.constData(), cmsUInt32Number(colour.icc.size()));
        if (profile != nullptr && !plausible(profile)) {
            qCDebug(lcProgram) << "a colour profile that cannot be right: taken as sRGB";
            cmsCloseProfile(profile);
            return nullptr;
        }
        return profile;
    }
    if (colour.cicp) {
        if (colour.cicp->primaries == 1 &&
            (colour.cicp->transfer == 13 || colour.cicp->transfer == 2)) {
            return nullptr;
        }
        cmsCIExyYTRIPLE primaries;
        cmsCIExyY white;
        if (!primariesOf(colour.cicp->primaries, &primaries, &white)) {
            primariesOf(1, &primaries, &white);  // unspecified: BT.709
        }
        return rgbProfile(white, primaries, transferOf(colour.cicp->transfer));
    }
    if (colour.png) {
        cmsCIExyYTRIPLE primaries;
        cmsCIExyY white;
        primariesOf(1, &primaries, &white);
        if (colour.png->chromaticities) {
            const auto& c = *colour.png->chromaticities;
            white = {c[0] / 1e5, c[1] / 1e5, 1};
            primaries = {{c[2] / 1e5, c[3] / 1e5, 1},
                         {c[4] / 1e5, c[5] / 1e5, 1},
                         {c[6] / 1e5, c[7] / 1e5, 1}};
        }
        const int gamma = colour.png->gamma;
        return rgbProfile(white, primaries, gamma > 0 ? gammaCurve(100000.0 / gamma) : srgbCurve());
    }
    return nullptr;
}

// Whether an RGB profile's colorants and curves are sRGB's, closely enough that converting
// would change no 8-bit value.
bool describesSrgb(cmsHPROFILE profile) {
    if (cmsGetColorSpace(profile) != cmsSigRgbData ||
        cmsIsCLUT(profile, kIntent, LCMS_USED_AS_INPUT)) {
        return false;
    }
    const Profile srgb(cmsCreate_sRGBProfile());
    for (const cmsTagSignature tag :
         {cmsSigRedColorantTag, cmsSigGreenColorantTag, cmsSigBlueColorantTag}) {
        const auto* a = static_cast<const cmsCIEXYZ*>(cmsReadTag(profile, tag));
        const auto* b = static_cast<const cmsCIEXYZ*>(cmsReadTag(srgb.handle, tag));
        if (a == nullptr || b == nullptr || std::fabs(a->X - b->X) > 0.002 ||
            std::fabs(a->Y - b->Y) > 0.002 || std::fabs(a->Z - b->Z) > 0.002) {
            return false;
        }
    }
    const Curve reference(srgbCurve());
    for (const cmsTagSignature tag : {cmsSigRedTRCTag, cmsSigGreenTRCTag, cmsSigBlueTRCTag}) {
        const auto* curve = static_cast<const cmsToneCurve*>(cmsReadTag(profile, tag));
        if (curve == nullptr) {
            return false;
        }
        for (int v = 0; v <= 255; v += 5) {
            if (std::fabs(cmsEvalToneCurveFloat(curve, float(v / 255.0)) -
                          cmsEvalToneCurveFloat(reference.curve, float(v / 255.0))) > 0.5 / 255) {
                return false;
            }
        }
    }
    return true;
}

// A PNG's gamma near 1/2.2 and primaries near sRGB's are how its writers say sRGB.
bool pngSaysSrgb(const ColourSpace::PngChunks& png) {
    if (png.gamma != 0 && std::abs(png.gamma - 45455) > 1000) {
        return false;
    }
    if (!png.chromaticities) {
        return true;
    }
    const std::array<int, 8> srgb = {31270, 32900, 64000, 33000, 30000, 60000, 15000, 6000};
    for (std::size_t i = 0; i < srgb.size(); ++i) {
        if (std::abs((*png.chromaticities)[i] - srgb[i]) > 500) {
            return false;
        }
    }
    return true;
}

// The matrix and curves of an RGB profile of the kind cameras, phones and editors write, applied
// directly: each channel through its curve to light, a 3 x 3 matrix from the profile's colorants to
// sRGB's, sRGB's curve back. What a CMM does for such a profile with either intent, at several
// times Little CMS's speed, so that a converted photograph costs a fraction of its decoding.
class MatrixShaper {
  public:
    // False when the profile is no RGB matrix profile.
    bool build(cmsHPROFILE profile) {
        if (cmsGetColorSpace(profile) != cmsSigRgbData || !cmsIsMatrixShaper(profile)) {
            return false;
        }
        const Profile srgb(cmsCreate_sRGBProfile());
        double from[3][3], to[3][3], matrix[3][3];
        std::array<std::array<double, 256>, 3> in{};
        const cmsTagSignature colorants[3] = {cmsSigRedColorantTag, cmsSigGreenColorantTag,
                                              cmsSigBlueColorantTag};
        const cmsTagSignature curves[3] = {cmsSigRedTRCTag, cmsSigGreenTRCTag, cmsSigBlueTRCTag};
        for (int c = 0; c < 3; ++c) {
            const auto* a = static_cast<const cmsCIEXYZ*>(cmsReadTag(profile, colorants[c]));
            const auto* b = static_cast<const cmsCIEXYZ*>(cmsReadTag(srgb.handle, colorants[c]));
            const auto* curve = static_cast<const cmsToneCurve*>(cmsReadTag(profile, curves[c]));
            if (a == nullptr || b == nullptr || curve == nullptr) {
                return false;
            }
            from[0][c] = a->X, from[1][c] = a->Y, from[2][c] = a->Z;
            to[0][c] = b->X, to[1][c] = b->Y, to[2][c] = b->Z;
            // A damaged curve may give light beyond white or no number at all; the tables below
            // reach only as far as a curve within [0, 1] needs.
            for (int v = 0; v < 256; ++v) {
                const float light = cmsEvalToneCurveFloat(curve, float(v / 255.0));
                in[c][std::size_t(v)] =
                    std::isfinite(light) ? std::clamp(double(light), 0.0, 1.0) : 0.0;
            }
        }
        // sRGB's matrix inverted, then the profile's: from the file's light to sRGB's light.
        const double det = to[0][0] * (to[1][1] * to[2][2] - to[1][2] * to[2][1]) -
                           to[0][1] * (to[1][0] * to[2][2] - to[1][2] * to[2][0]) +
                           to[0][2] * (to[1][0] * to[2][1] - to[1][1] * to[2][0]);
        if (std::fabs(det) < 1e-12) {
            return false;
        }
        double inverse[3][3];
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c) {
                const int r1 = (c + 1) % 3, r2 = (c + 2) % 3, c1 = (r + 1) % 3, c2 = (r + 2) % 3;
                inverse[r][c] = (to[r1][c1] * to[r2][c2] - to[r1][c2] * to[r2][c1]) / det;
            }
        }
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c) {
                double sum = 0;
                for (int k = 0; k < 3; ++k) {
                    sum += inverse[r][k] * from[k][c];
                }
                matrix[r][c] = sum;
            }
        }
        // Each input value's share of the three output channels' light, in units of 1/2^kBits,
        // each raised by kReach so that it is never negative, packed into one word: a pixel is
        // then three lookups and two additions, and the fields never carry into each other. A
        // colour outside sRGB's gamut has light below 0 or above 1: the output table reaches far
        // enough either way to clip it there.
        for (int c = 0; c < 3; ++c) {
            for (int v = 0; v < 256; ++v) {
                std::uint64_t word = 0;
                for (int k = 0; k < 3; ++k) {
                    const double share =
                        std::clamp(matrix[k][c], -kReach, kReach) * in[c][std::size_t(v)];
                    word |= std::uint64_t(std::llround((share + kReach) * kOne)) << (kField * k);
                }
                words_[std::size_t(c)][std::size_t(v)] = word;
            }
        }
        for (std::size_t i = 0; i < out_.size(); ++i) {
            // The middle of the light the index stands for, less the three channels' raise.
            const double light =
                (double(i << kShift) + ((1 << kShift) - 1) / 2.0) / kOne - 3 * kReach;
            // The inverse of sRGB's curve, exactly: its formula, worked out only within the
            // gamut: most of the table lies outside it, and a power for every entry took a third of
            // the time a 15-megapixel photograph's conversion takes.
            if (light <= 0 || light >= 1) {
                out_[i] = light <= 0 ? 0 : 255;
                continue;
            }
            const double v =
                light <= 0.0031308 ? 12.92 * light : 1.055 * std::pow(light, 1 / 2.4) - 0.055;
            out_[i] = uchar(std::lround(std::clamp(v, 0.0, 1.0) * 255));
        }
        return true;
    }

    void apply(QRgb* row, int count) const {
        const std::uint64_t* const red = words_[0].data();
        const std::uint64_t* const green = words_[1].data();
        const std::uint64_t* const blue = words_[2].data();
        const uchar* const out = out_.data();
        constexpr std::uint64_t kIndex = (std::uint64_t(1) << (kField - kShift)) - 1;
        for (int x = 0; x < count; ++x) {
            const QRgb p = row[x];
            const std::uint64_t sum = red[qRed(p)] + green[qGreen(p)] + blue[qBlue(p)];
            row[x] = (p & 0xff000000u) | (QRgb(out[(sum >> kShift) & kIndex]) << 16) |
                     (QRgb(out[(sum >> (kField + kShift)) & kIndex]) << 8) |
                     QRgb(out[sum >> (2 * kField + kShift)]);
        }
    }

  private:
    // Light in 1/2^16 of white; the output table in steps of 4 of those (1/16384 of white: four
    // steps even between sRGB's two darkest values).
    static constexpr int kBits = 16;
    static constexpr double kOne = 1 << kBits;
    static constexpr int kShift = 2;
    // No matrix of a real profile takes more than this of a channel.
    static constexpr double kReach = 4;
    // One output channel's field: three shares of at most 2 kReach each must fit.
    static constexpr int kField = 21;
    static_assert(3 * 2 * kReach * (1 << kBits) < (1 << kField), "the fields would carry");

    std::array<std::array<std::uint64_t, 256>, 3> words_{};
    // Light, raised by three times kReach, to sRGB's 8-bit values; up to three shares of
    // 2 kReach each, that sum included.
    std::array<uchar, (std::size_t(3 * 2 * kReach * (1 << kBits)) >> kShift) + 1> out_{};
};

}  // namespace

bool NeedsConversion(const ColourSpace& colour) {
    if (colour.icc.isEmpty()) {
        if (colour.cicp) {
            return !(colour.cicp->primaries == 1 &&
                     (colour.cicp->transfer == 13 || colour.cicp->transfer == 2));
        }
        return colour.png && !pngSaysSrgb(*colour.png);
    }
    const Profile profile(profileOf(colour));
    return profile.handle != nullptr && !describesSrgb(profile.handle);
}

bool ToSrgb(QImage* image, const ColourSpace& colour, const Stop* stop) {
    if (image->isNull() || !NeedsConversion(colour)) {
        return true;
    }
    const Profile source(profileOf(colour));
    if (source.handle == nullptr) {
        qCDebug(lcProgram) << "a colour profile that cannot be read: taken as sRGB";
        return false;
    }
    const cmsColorSpaceSignature space = cmsGetColorSpace(source.handle);
    const bool grey = space == cmsSigGrayData;
    if (!grey && space != cmsSigRgbData) {
        qCDebug(lcProgram) << "a colour profile of another kind than the picture's: taken as sRGB";
        return false;
    }
    uchar* bits = image->bits();
    const qsizetype bpl = image->bytesPerLine();
    const int width = image->width();
    if (auto shaper = std::make_unique<MatrixShaper>(); !grey && shaper->build(source.handle)) {
        ForEachBand(image->height(), std::int64_t(width) * image->height(),
                    [&](int first, int last) {
                        for (int y = first; y < last && !Stop::Requested(stop); ++y) {
                            shaper->apply(reinterpret_cast<QRgb*>(bits + y * bpl), width);
                        }
                    });
        return !Stop::Requested(stop);
    }
    // A grey picture keeps one value a pixel: through a grey profile to sRGB's grey curve.
    const Curve srgb(srgbCurve());
    const Profile target(grey ? cmsCreateGrayProfile(cmsD50_xyY(), srgb.curve)
                              : cmsCreate_sRGBProfile());
    const cmsUInt32Number format = grey ? TYPE_GRAY_8 : TYPE_BGRA_8;
    const Transform transform(cmsCreateTransform(source.handle, format, target.handle, format,
                                                 kIntent, cmsFLAGS_NOCACHE | cmsFLAGS_COPY_ALPHA));
    if (transform.handle == nullptr) {
        qCDebug(lcProgram) << "a colour profile Little CMS cannot use: taken as sRGB";
        return false;
    }
    ForEachBand(image->height(), std::int64_t(width) * image->height(), [&](int first, int last) {
        std::vector<uchar> row(grey ? std::size_t(width) : 0);
        for (int y = first; y < last && !Stop::Requested(stop); ++y) {
            auto* line = reinterpret_cast<QRgb*>(bits + y * bpl);
            if (!grey) {
                cmsDoTransform(transform.handle, line, line, cmsUInt32Number(width));
                continue;
            }
            for (int x = 0; x < width; ++x) {
                row[std::size_t(x)] = uchar(qGreen(line[x]));
            }
            cmsDoTransform(transform.handle, row.data(), row.data(), cmsUInt32Number(width));
            for (int x = 0; x < width; ++x) {
                const int v = row[std::size_t(x)];
                line[x] = qRgba(v, v, v, qAlpha(line[x]));
            }
        }
    });
    return !Stop::Requested(stop);
}

CmykToSrgb::CmykToSrgb(const QByteArray& icc, bool inverted) {
    const Profile source(cmsOpenProfileFromMem(icc.constData(), cmsUInt32Number(icc.size())));
    if (source.handle == nullptr || cmsGetColorSpace(source.handle) != cmsSigCmykData) {
        return;
    }
    const Profile srgb(cmsCreate_sRGBProfile());
    transform_ = cmsCreateTransform(source.handle, inverted ? TYPE_CMYK_8_REV : TYPE_CMYK_8,
                                    srgb.handle, TYPE_BGRA_8, kIntent, cmsFLAGS_NOCACHE);
}

CmykToSrgb::~CmykToSrgb() {
    if (transform_ != nullptr) {
        cmsDeleteTransform(static_cast<cmsHTRANSFORM>(transform_));
    }
}

void CmykToSrgb::convert(const unsigned char* cmyk, QRgb* out, int count) const {
    cmsDoTransform(static_cast<cmsHTRANSFORM>(transform_), cmyk, out, cmsUInt32Number(count));
    for (int x = 0; x < count; ++x) {
        out[x] |= 0xff000000u;
    }
}

}  // namespace lanxi
