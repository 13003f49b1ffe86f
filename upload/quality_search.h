#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>
#include <cstdint>

#include "base/stop.h"
#include "document/drawn_image.h"
#include "document/picture.h"
#include "upload/site_presets.h"

// The upload copy of an image in memory: brought to the limits' pixels, then encoded at the
// highest quality whose file fits the limits' bytes.
namespace lanxi {

// An upload copy: by default of quality 80 at the picture's size, fitted to the limits when
// there are any.
struct FittedCopy {
    QByteArray jpeg;         // the file to write; empty when nothing fits, or only measured
    std::int64_t bytes = 0;  // the file's length; 0 when nothing fits
    int quality = 0;
    QSize size;            // its pixels
    QString reason;        // why nothing fits, in Chinese
    bool stopped = false;  // given up because a stop was requested
    // What the user should know of a copy that fits: its shorter side is below the one the
    // limits ask for, because the picture is smaller (it is never enlarged) or because the
    // bytes held no more, and the site may refuse it.
    QString note;
    int encodes = 0;  // how many candidates were encoded to find it
    // What brought the image's shrinking paintings to the copy's pixels: what to compare it with.
    Reduction reduction = Reduction::Area;
    // The most pixels a candidate had, and the pixels the picture's sampled detail let the
    // lowest quality fit in the bytes (0: not sampled), before any candidate was encoded.
    std::int64_t largestEncoded = 0;
    double estimatedPixels = 0;
    bool fits() const { return bytes > 0; }
};

// No JPEG of more pixels than this fits `budget` bytes, at any quality: each 8 × 8 block of the
// picture takes at least a bit of its file.
constexpr double MostFittingPixels(std::int64_t budget) {
    return double(budget) * 8 * 64;
}

// The upload copy of an image: a frame's drawn result, or a picture (DrawnImage::Of). With
// limits, every painting that shrinks is reduced by `reduction`, and the image scaled down
// (never up) to the limits' pixels, straight from the pictures the image is drawn from (an
// enlarged result is never made whole); without, the copy has the result's own pixels, as
// image() averages them. Then with the byte limit encoded by
// kFittedEncoder at the highest of its FittedQualities whose file fits the bytes; if even the
// lowest does not fit, at that quality with the largest picture that fits. The work is bounded
// before it starts: a sample of the picture's detail tells how many pixels the lowest quality
// could fit, and no candidate has many more (a picture with more is only tried smaller). Candidates
// are encoded in memory only. The copy is upright and carries no metadata. Without a byte limit,
// the copy is kUploadCopy at the limited size, and `measureOnly` measures it without keeping
// the file. With `stop`, the work is given up (reason "已停止") soon after a stop is requested.
// When `image` is a reduced decode of a larger original (see LoadControl::enough), `original` is
// that original's size: the limits apply to it, so the copy has the same pixels either way.
// `encoder` makes the fitted candidates and `reduction` their pixels (others than
// kFittedEncoder and kFittedReduction only to compare them).
FittedCopy MakeUploadCopy(const DrawnImage& image, const SiteLimits& limits,
                          const Stop* stop = nullptr, QSize original = {}, bool measureOnly = false,
                          JpegEncoder encoder = kFittedEncoder,
                          Reduction reduction = kFittedReduction);
FittedCopy MakeUploadCopy(const StdPicture& picture, const SiteLimits& limits,
                          const Stop* stop = nullptr);

// The copy of a picture at `quality` (0 to 100) instead of kUploadCopy's, made the same way.
FittedCopy MakeCopyAtQuality(const StdPicture& picture, int quality);

// A copy as the user is told of it: "183 KB（质量87）", with its pixels when they differ from
// `result` ("，612 × 408 像素").
QString CopyDescription(const FittedCopy& copy, QSize result = {});

}  // namespace lanxi
