#pragma once

#include <QSize>
#include <QString>
#include <cstdint>
#include <vector>

#include "document/resample.h"
#include "encoder/jpeg_encode.h"

// What the site accepts, and what the copy uploaded to it is made with: by default a JPEG of
// quality 80 at the picture's own size; with one of the site's limits chosen, the best JPEG that
// meets it (see quality_search.h).
namespace lanxi {

// A JPEG of quality 80 with 4:2:0 chroma: what the site's pages show well at a small size.
inline constexpr JpegSettings kUploadCopy{80, true};

// The encoder of the copies fitted to a byte limit. Where the limit binds, the picture the site
// gets is only as good as the encoder, and jpegli's files come closer to the picture than
// libjpeg-turbo's in the same bytes (the README's fitting figures, bench/fit).
inline constexpr JpegEncoder kFittedEncoder = JpegEncoder::JpegliProgressive;

// How a fitted copy is brought down to its pixels: as photo tools and the browsers' best scaling
// reduce, so that fine lines stay sharp. Readers of the site see the sharper picture as the
// better one, and every tool a user compares us with sends it (the README's fitting figures).
inline constexpr Reduction kFittedReduction = Reduction::Lanczos3;

// What the site accepts. A kb of the site is taken as 1,000 bytes, so a copy that fits is
// accepted whichever way the site counts.
struct SiteLimits {
    int maxWidth = 0;           // the widest a picture may be; 0: any width
    int shorterSide = 0;        // the shorter side is brought down to this; 0: any size
    std::int64_t maxBytes = 0;  // the largest file; 0: any size (the copy is then kUploadCopy)
    bool any() const { return maxWidth > 0 || shorterSide > 0 || maxBytes > 0; }
    friend bool operator==(const SiteLimits&, const SiteLimits&) = default;
};

// The site's limits, as the start screen states them.
enum class SitePreset { Unlimited, Article, Avatar310, Avatar210, IdCard };

struct PresetDescription {
    SitePreset preset;
    QString caption;  // as the user sees it in the choice
    QString key;      // its name on the command line
    SiteLimits limits;
};

// Every preset, Unlimited first (the copy of quality 80 at the picture's size).
const std::vector<PresetDescription>& SitePresets();
const PresetDescription& Describe(SitePreset preset);
// The preset at a place in SitePresets() (as a choice lists them); Unlimited for any other.
SitePreset PresetAt(int index);

// The size a picture of `size` takes under the limits: the preset's pixels, never larger than
// the picture, the proportions kept.
QSize LimitedSize(const SiteLimits& limits, QSize size);

// The qualities the fitting tries with an encoder.
struct FittedQualities {
    // The lowest it accepts before it gives up pixels instead: below it JPEG's blocks begin to
    // show on photographs, and a slightly smaller picture looks better. jpegli's floor makes
    // files of about the size of libjpeg-turbo's, so the copy keeps as many pixels, closer to
    // the picture.
    int lowest;
    // The highest it tries: above it the bytes grow fast for what no one can see. The two
    // encoders' tops are about equally close to the picture (the README's fitting section).
    int highest;
};
constexpr FittedQualities FittedQualitiesOf(JpegEncoder encoder) {
    return encoder == JpegEncoder::LibjpegTurbo ? FittedQualities{60, 95} : FittedQualities{70, 96};
}
inline constexpr int kLowestFittedQuality = FittedQualitiesOf(kFittedEncoder).lowest;
inline constexpr int kHighestFittedQuality = FittedQualitiesOf(kFittedEncoder).highest;

// Bytes as the site counts them, for the user: "183 KB", "1.4 MB" (1 KB = 1,000 bytes).
QString SiteBytes(std::int64_t bytes);

}  // namespace lanxi
