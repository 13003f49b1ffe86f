#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>
#include <QStringList>
#include <atomic>
#include <cstdint>

#include "codec/jpeg_file.h"
#include "document/picture.h"
#include "system/safe_file.h"

// What the copy uploaded to the site is. The workspace's "_YS" copy and every file of the batch
// are this copy, so both follow one definition: by default a JPEG of quality 80 at the
// picture's own size; with one of the site's limits chosen, the best JPEG that meets it.
namespace lanxi {

// A JPEG of quality 80 with 4:2:0 chroma: what the site's pages show well at a small size.
inline constexpr JpegSettings kUploadCopy{80, true};

// Writes the upload copy of a picture at `path`. The name is one the program made up (a "_YS"
// name, a JPEG beside a BMP), so a link found there is replaced, never followed; only a copy
// written over its own source, as the user asked, goes through a link (`AtLink::WriteThrough`).
// False with *reason (Chinese) when nothing was written. With `cancel`, the write is given up
// soon after it turns true.
bool WriteUploadCopy(const StdPicture& picture, const QString& path, QString* reason,
                     AtLink atLink = AtLink::Replace, const std::atomic<bool>* cancel = nullptr);

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

// Every preset, Unlimited first (today's copy: quality 80 at the picture's size).
const std::vector<PresetDescription>& SitePresets();
const PresetDescription& Describe(SitePreset preset);
// The preset at a place in SitePresets() (as a choice lists them); Unlimited for any other.
SitePreset PresetAt(int index);

// The size a picture of `size` takes under the limits: the preset's pixels, never larger than
// the picture, the proportions kept.
QSize LimitedSize(const SiteLimits& limits, QSize size);

// The lowest quality the fitting accepts before it gives up pixels instead: below it JPEG's
// blocks begin to show on photographs, and a slightly smaller picture looks better.
inline constexpr int kLowestFittedQuality = 60;
// The highest quality it tries: above it the bytes grow fast for what no one can see.
inline constexpr int kHighestFittedQuality = 95;

// An upload copy fitted to the site's limits.
struct FittedCopy {
    QByteArray jpeg;  // the file to write; empty when nothing fits
    int quality = 0;
    QSize size;       // its pixels
    QString reason;   // why nothing fits, in Chinese
    int encodes = 0;  // how many candidates were encoded to find it
    bool fits() const { return !jpeg.isEmpty(); }
};

// The best upload copy of a picture within the limits: scaled down (never up) to the limits'
// pixels by area averaging, then at the highest quality up to kHighestFittedQuality whose file
// fits the bytes; if even kLowestFittedQuality does not fit, at that quality with the largest
// picture that fits. Candidates are encoded in memory only. The copy is upright and carries no
// metadata. Without a byte limit, the copy is kUploadCopy at the limited size. With `cancel`,
// the search is given up (reason "已停止") soon after it turns true. When `picture` is a
// reduced decode of a larger original (see LoadControl::enough), `original` is that
// original's size: the limits apply to it, so the copy has the same pixels either way.
FittedCopy FitUploadCopy(const StdPicture& picture, const SiteLimits& limits,
                         const std::atomic<bool>* cancel = nullptr, QSize original = {});

// Bytes as the site counts them, for the user: "183 KB", "1.4 MB" (1 KB = 1,000 bytes).
QString SiteBytes(std::int64_t bytes);

}  // namespace lanxi
