#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>
#include <QStringList>
#include <atomic>
#include <cstdint>

#include "base/stop.h"
#include "document/drawn_image.h"
#include "document/picture.h"
#include "encoder/jpeg_encode.h"
#include "system/safe_file.h"

// What the copy uploaded to the site is. The workspace's "_YS" copy, its live readout, every file
// of the batch and of the command line are made here, one way: by default a JPEG of quality 80
// at the picture's own size; with one of the site's limits chosen, the best JPEG that meets it.
namespace lanxi {

// A JPEG of quality 80 with 4:2:0 chroma: what the site's pages show well at a small size.
inline constexpr JpegSettings kUploadCopy{80, true};

// The encoder of the copies fitted to a byte limit. Where the limit binds, the picture the site
// gets is only as good as the encoder: jpegli's files are about a quarter closer to the picture
// than libjpeg-turbo's in the same bytes (bench/fit).
inline constexpr JpegEncoder kFittedEncoder = JpegEncoder::JpegliProgressive;

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
    // show on photographs, and a slightly smaller picture looks better. jpegli's 70 makes files
    // of about the size of libjpeg-turbo's 60 (so the copy keeps as many pixels) a fifth closer
    // to the picture.
    int lowest;
    // The highest it tries: above it the bytes grow fast for what no one can see. jpegli's 96
    // in full colour is as close to the picture as libjpeg-turbo's 95 in a quarter fewer bytes.
    int highest;
};
constexpr FittedQualities FittedQualitiesOf(JpegEncoder encoder) {
    return encoder == JpegEncoder::LibjpegTurbo ? FittedQualities{60, 95} : FittedQualities{70, 96};
}
inline constexpr int kLowestFittedQuality = FittedQualitiesOf(kFittedEncoder).lowest;
inline constexpr int kHighestFittedQuality = FittedQualitiesOf(kFittedEncoder).highest;

// An upload copy: by default of quality 80 at the picture's size, fitted to the limits when
// there are any.
struct FittedCopy {
    QByteArray jpeg;         // the file to write; empty when nothing fits, or only measured
    std::int64_t bytes = 0;  // the file's length; 0 when nothing fits
    int quality = 0;
    QSize size;            // its pixels
    QString reason;        // why nothing fits, in Chinese
    bool stopped = false;  // given up because a stop was requested
    // What the user should know of a copy that fits: a picture smaller than the shorter side
    // the limits ask for keeps its pixels (it is never enlarged), and the site may refuse it.
    QString note;
    int encodes = 0;  // how many candidates were encoded to find it
    bool fits() const { return bytes > 0; }
};

// The upload copy of an image: a frame's drawn result, or a picture (DrawnImage::Of). Scaled
// down (never up) to the limits' pixels by area averaging, straight from the pictures the image
// is drawn from (an enlarged result is never made whole); then with the byte limit encoded by
// kFittedEncoder at the highest of its FittedQualities whose file fits the bytes; if even the
// lowest does not fit, at that quality with the largest picture that fits. Candidates are
// encoded in memory only. The copy is upright and carries no metadata. Without a byte limit,
// the copy is kUploadCopy at the limited size, and `measureOnly` measures it without keeping
// the file. With `stop`, the work is given up (reason "已停止") soon after a stop is requested.
// When `image` is a reduced decode of a larger original (see LoadControl::enough), `original` is
// that original's size: the limits apply to it, so the copy has the same pixels either way.
// `encoder` makes the fitted candidates (another than kFittedEncoder only to compare them).
FittedCopy MakeUploadCopy(const DrawnImage& image, const SiteLimits& limits,
                          const Stop* stop = nullptr, QSize original = {}, bool measureOnly = false,
                          JpegEncoder encoder = kFittedEncoder);
FittedCopy MakeUploadCopy(const StdPicture& picture, const SiteLimits& limits,
                          const Stop* stop = nullptr);

// The upload copy of a picture file: loaded at a reduced scale when the copy keeps fewer pixels
// (see the rule in the source), refused with a reason when it cannot be read or its data is
// damaged. *sourceBytes (if given) is the file's size as it was read.
FittedCopy MakeUploadCopyOfFile(const QString& source, const SiteLimits& limits,
                                const Stop* stop = nullptr, std::int64_t* sourceBytes = nullptr,
                                JpegEncoder encoder = kFittedEncoder);

// Writes a copy that fits at `path`, through a temporary file. The name is one the program made
// up (a "_YS" name, a JPEG beside a BMP), so a link found there is replaced, never followed;
// only a copy written over its own source, as the user asked, goes through a link
// (`AtLink::WriteThrough`). A new copy of `source` is no more readable than the source. False with
// *reason (Chinese) when nothing was written.
bool WriteUploadCopy(const FittedCopy& copy, const QString& path, QString* reason,
                     AtLink atLink = AtLink::Replace, const QString& source = {});

// A copy as the user is told of it: "183 KB（质量87）", with its pixels when they differ from
// `result` ("，612 × 408 像素").
QString CopyDescription(const FittedCopy& copy, QSize result = {});

// Bytes as the site counts them, for the user: "183 KB", "1.4 MB" (1 KB = 1,000 bytes).
QString SiteBytes(std::int64_t bytes);

}  // namespace lanxi
