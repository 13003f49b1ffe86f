#include "upload/quality_search.h"

#include <QImage>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <new>
#include <optional>

#include "base/errors.h"
#include "base/log.h"

namespace lanxi {

namespace {

// A JPEG's size falls with the quantisation scale (QuantisationScale) nearly as a power of it:
// log size is close to a straight line in log scale, for either encoder. This slope is typical of
// photographs; two measurements replace it with the picture's own.
constexpr double kTypicalSlope = -0.6;

// How far the sample's estimate of the pixels that fit (sampledFittingPixels) is from the pixels
// the search finds: on the bench photographs that give up pixels at the identity card's bytes
// (14 wallpapers and 4 camera-like files), 0.62 to 2.01 times it, 1.00 at the median; on a flat
// picture 1.3 times; on noise, which a reduction averages away, 3.1 times. No candidate has more
// pixels than kEstimateMargin times the estimate, and the whole picture is tried at the qualities
// above the lowest only within kEstimateWhole times it, where a photograph's may fit; the first
// smaller size tried is the estimate itself.
constexpr double kEstimateMargin = 4;
constexpr double kEstimateWhole = 2.5;

// The highest quality is tried first with the colour at full resolution (4:4:4), and taken so
// when it fits: at the presets' pixels and bytes that is most photographs, which come
// markedly closer to the picture so for a quarter more bytes. At budgets that hold only lower
// qualities the gain shrinks to nothing, so there the colour stays halved (4:2:0), as the site
// has always got it, and a larger budget never gives a lower quality. jpegli has the same turn:
// near its highest quality halved colour leaves a distance that no byte lowers, and near its
// lowest halved colour is closer in the same bytes on most photographs (bench/fit --choices).
// A photograph at the highest quality in full colour takes more than a bit a pixel, so the
// full-colour file is not even tried for a picture with more pixels than this per byte of the
// budget.
constexpr double kFullColourPixelsPerByte = 10;
// Full colour costs about this much more than halved colour at the same quality.
constexpr double kFullColourCost = 1.3;

// The settings of a fitted candidate.
JpegSettings fitted(JpegEncoder encoder, int quality, bool fullColour) {
    return {quality, !fullColour, encoder};
}

// How coarsely the encoder quantises at a quality.
double scaleAt(JpegEncoder encoder, int quality) {
    return QuantisationScale(fitted(encoder, quality, false));
}

// The size `size`, measured at `quality`, would have at `other` on a typical photograph.
double predictedSize(JpegEncoder encoder, double size, int quality, int other) {
    return size * std::pow(scaleAt(encoder, other) / scaleAt(encoder, quality), kTypicalSlope);
}

// The search for one picture: every candidate encoded, at most once per quality.
class Search {
  public:
    Search(RowSource& rows, std::int64_t budget, const Stop* stop, JpegEncoder encoder,
           bool fullColour)
        : rows_(rows), budget_(budget), stop_(stop), encoder_(encoder), fullColour_(fullColour) {}

    // The size at `quality`, or -1 when it cannot be encoded (stopped, no memory).
    std::int64_t sizeAt(int quality) {
        if (const auto it = sizes_.find(quality); it != sizes_.end()) {
            return it->second;
        }
        EncodedJpeg jpeg = EncodeJpeg(rows_, fitted(encoder_, quality, fullColour_), stop_);
        ++encodes_;
        failure_ = jpeg.reason;
        const std::int64_t size = jpeg.ok() ? jpeg.size : -1;
        sizes_[quality] = size;
        if (size >= 0 && size <= budget_ && quality > bestQuality_) {
            bestQuality_ = quality;
            best_ = std::move(jpeg.bytes);
        }
        return size;
    }

    // The highest quality in [lowest, highest] whose file fits, or -1. Starts from `guess` and
    // moves along the picture's own size curve, so a few encodes find it.
    int highestFitting(int lowest, int highest, int guess) {
        int fits = lowest - 1;    // the highest quality known to fit
        int fails = highest + 1;  // the lowest quality known not to fit
        int quality = std::clamp(guess, lowest, highest);
        while (fails - fits > 1) {
            const std::int64_t size = sizeAt(quality);
            if (size < 0) {
                return -1;
            }
            (size <= budget_ ? fits : fails) = quality;
            quality = next(fits, fails);
        }
        return fits >= lowest ? fits : -1;
    }

    QByteArray takeBest() { return std::move(best_); }
    int encodes() const { return encodes_; }
    const QString& failure() const { return failure_; }

  private:
    // The highest quality strictly between `fits` and `fails` that the size curve through the
    // measurements nearest to them predicts to fit; the one just above `fits` when none is.
    int next(int fits, int fails) const {
        const auto point = [this](int q) {
            return std::pair(std::log(scaleAt(encoder_, q)), std::log(double(sizes_.at(q))));
        };
        const bool below = sizes_.count(fits) != 0, above = sizes_.count(fails) != 0;
        if (!below && !above) {
            return fits + 1;
        }
        const auto [x0, y0] = point(below ? fits : fails);
        double slope = kTypicalSlope;
        if (below && above) {
            const auto [x1, y1] = point(fails);
            if (x1 != x0) {
                slope = (y1 - y0) / (x1 - x0);
            }
        }
        const double target = std::log(double(budget_));
        for (int q = fails - 1; q > fits; --q) {
            if (y0 + slope * (std::log(scaleAt(encoder_, q)) - x0) <= target) {
                return q;
            }
        }
        return fits + 1;
    }

    RowSource& rows_;
    std::int64_t budget_;
    const Stop* stop_;
    JpegEncoder encoder_;
    bool fullColour_;
    std::map<int, std::int64_t> sizes_;
    QByteArray best_;
    int bestQuality_ = -1;
    int encodes_ = 0;
    QString failure_;
};

// The rows of a drawn image: its picture's own rows when it is nothing else, otherwise
// rendered a band at a time.
class DrawnRows final : public RowSource {
  public:
    // Throws lanxi::Error when there is no memory for the averaged paintings.
    DrawnRows(const DrawnImage& image, Reduction reduction) : image_(image) {
        if (image_.plain()) {
            plain_.emplace(image_.picture());
        } else {
            bands_ = std::make_unique<DrawnImage::Bands>(image_, reduction);
        }
    }
    DrawnRows(const DrawnRows&) = delete;
    DrawnRows& operator=(const DrawnRows&) = delete;

    QSize size() const override { return image_.size(); }
    Grey grey() const override {
        if (plain_) {
            return plain_->grey();
        }
        return image_.allGrey() ? Grey::Yes : Grey::Unknown;
    }
    bool rows(int first, int count, const uchar** out) override {
        if (plain_) {
            return plain_->rows(first, count, out);
        }
        if (band_.isNull()) {
            band_ = QImage(image_.size().width(), kMaxRows, QImage::Format_RGB32);
            if (band_.isNull()) {
                return false;
            }
        }
        QImage band(band_.bits(), band_.width(), count, band_.bytesPerLine(), band_.format());
        bands_->render(&band, first);
        for (int i = 0; i < count; ++i) {
            out[i] = band_.constScanLine(i);
        }
        return true;
    }

  private:
    const DrawnImage image_;
    std::optional<PictureRows> plain_;
    std::unique_ptr<DrawnImage::Bands> bands_;
    QImage band_;
};

// The detail the fitting reads a picture by before it encodes the whole: tiles of kTile pixels
// square, at the copy's own pixels, kTiles to a side spread evenly over the picture and laid
// side by side. A tile is whole blocks, so its edges cost the sample's file little of its own.
constexpr int kTile = RowSource::kMaxRows;
constexpr int kTiles = 8;
constexpr double kSampledPixels = double(kTile * kTiles) * double(kTile * kTiles);

// The bytes a picture of no detail takes at `settings`: the headers and tables every file has.
std::int64_t fileOverhead(const JpegSettings& settings) {
    QImage flat(16, 16, QImage::Format_RGB32);
    flat.fill(qRgb(128, 128, 128));
    PictureRows rows{StdPicture(flat)};
    return EncodeJpeg(rows, settings, nullptr, true).size;
}

// How many of this picture's pixels a file at `settings` holds in `budget` bytes, estimated from
// a sample of its detail before anything larger is encoded; 0 when the picture is too small for
// a sample to be worth its encode (the whole costs little more). A reduced copy packs a
// photograph's detail into fewer pixels, each then taking more bytes, and averages noise away,
// each then taking fewer: how far the pixels that fit are from this is kEstimateMargin's measure.
double sampledFittingPixels(RowSource& rows, std::int64_t budget, const JpegSettings& settings,
                            const Stop* stop) {
    const QSize size = rows.size();
    if (double(size.width()) * size.height() < 4 * kSampledPixels || size.width() < kTile ||
        size.height() < kTile) {
        return 0;
    }
    QImage mosaic(kTile * kTiles, kTile * kTiles, QImage::Format_RGB32);
    if (mosaic.isNull()) {
        return 0;
    }
    const auto place = [](int side, int i) {
        return int(std::int64_t(side - kTile) * (2 * i + 1) / (2 * kTiles));
    };
    for (int j = 0; j < kTiles; ++j) {
        const uchar* band[kTile];
        if (!rows.rows(place(size.height(), j), kTile, band)) {
            return 0;
        }
        for (int i = 0; i < kTiles; ++i) {
            const int left = place(size.width(), i);
            for (int y = 0; y < kTile; ++y) {
                std::memcpy(mosaic.scanLine(j * kTile + y) + i * kTile * 4, band[y] + left * 4,
                            kTile * 4);
            }
        }
    }
    PictureRows sample{StdPicture(mosaic)};
    const EncodedJpeg coded = EncodeJpeg(sample, settings, stop, true);
    if (!coded.ok()) {
        return 0;
    }
    const double perPixel = std::max(double(coded.size - fileOverhead(settings)) / kSampledPixels,
                                     double(budget) / MostFittingPixels(budget));
    return double(budget) / perPixel;
}

QString stoppedText() {
    return QStringLiteral("已停止");
}

// A copy at one quality, at the image's own pixels: the designed copy, or a copy at a quality the
// caller chose.
FittedCopy atQuality(const DrawnImage& image, int quality, const Stop* stop, bool measureOnly) {
    DrawnRows rows(image, Reduction::Area);
    JpegSettings settings = kUploadCopy;
    settings.quality = quality;
    EncodedJpeg jpeg = EncodeJpeg(rows, settings, stop, measureOnly);
    FittedCopy copy;
    copy.size = image.size();
    copy.quality = quality;
    copy.encodes = 1;
    copy.bytes = jpeg.size;
    copy.jpeg = std::move(jpeg.bytes);
    copy.reason = jpeg.reason;
    return copy;
}

FittedCopy fewerPixels(const DrawnImage& whole, FittedCopy copy, const SiteLimits& limits,
                       const Stop* stop, JpegEncoder encoder, Reduction reduction, double factor,
                       double failing);

// The copy of an image already at the copy's pixels.
FittedCopy fit(const DrawnImage& image, const DrawnImage& whole, FittedCopy copy,
               const SiteLimits& limits, const Stop* stop, bool measureOnly, JpegEncoder encoder,
               Reduction reduction) {
    if (limits.maxBytes <= 0) {
        return atQuality(image, kUploadCopy.quality, stop, measureOnly);
    }
    copy.reduction = reduction;
    DrawnRows rows(image, reduction);
    const auto [lowest, highest] = FittedQualitiesOf(encoder);
    const double pixels = double(copy.size.width()) * copy.size.height();
    // Before the whole is encoded: the most pixels any quality could fit, from a sample of the
    // picture's detail with a margin for its error, and never more than any file of the budget
    // holds. A picture with more is not encoded whole at all, only fewer of its pixels.
    copy.estimatedPixels =
        sampledFittingPixels(rows, limits.maxBytes, fitted(encoder, lowest, false), stop);
    const double bound = std::min(copy.estimatedPixels > 0 ? copy.estimatedPixels * kEstimateMargin
                                                           : MostFittingPixels(limits.maxBytes),
                                  MostFittingPixels(limits.maxBytes));
    // Beyond these pixels the whole is not tried: only fewer of them, from the estimate on.
    const double wholeTried =
        copy.estimatedPixels > 0 ? std::min(copy.estimatedPixels * kEstimateWhole, bound) : bound;
    if (pixels > wholeTried) {
        const double first =
            copy.estimatedPixels > 0 ? std::min(copy.estimatedPixels, bound) : bound;
        return fewerPixels(whole, copy, limits, stop, encoder, reduction, std::sqrt(first / pixels),
                           std::min(1.0, std::sqrt(bound / pixels)));
    }
    copy.largestEncoded = std::int64_t(pixels);
    // The highest quality with full colour first: most pictures at the preset's pixels fit so,
    // and one encode settles them.
    int guess = 90;
    if (pixels <= kFullColourPixelsPerByte * double(limits.maxBytes)) {
        Search full(rows, limits.maxBytes, stop, encoder, true);
        const std::int64_t top = full.sizeAt(highest);
        copy.encodes = 1;
        if (top < 0) {
            copy.reason = full.failure();
            return copy;
        }
        if (top <= limits.maxBytes) {
            copy.quality = highest;
            copy.jpeg = full.takeBest();
            copy.bytes = copy.jpeg.size();
            return copy;
        }
        // Halved colour starts where the full-colour file predicts it fits.
        guess = lowest;
        for (int q = highest; q > lowest; --q) {
            if (predictedSize(encoder, double(top) / kFullColourCost, highest, q) <=
                double(limits.maxBytes)) {
                guess = q;
                break;
            }
        }
    }

    Search search(rows, limits.maxBytes, stop, encoder, false);
    copy.quality = search.highestFitting(lowest, highest, guess);
    if (copy.quality > 0) {
        copy.encodes += search.encodes();
        copy.jpeg = search.takeBest();
        copy.bytes = copy.jpeg.size();
        return copy;
    }
    const std::int64_t atLowest = search.sizeAt(lowest);
    copy.encodes += search.encodes();
    if (atLowest < 0 || Stop::Requested(stop)) {
        copy.reason = Stop::Requested(stop) ? stoppedText() : search.failure();
        return copy;
    }
    // The file's size goes nearly with the pixels, so the square root of the ratio of sizes is
    // the first guess.
    return fewerPixels(whole, copy, limits, stop, encoder, reduction,
                       std::sqrt(double(limits.maxBytes) / double(atLowest)) * 0.99, 1);
}

FittedCopy fewerPixels(const DrawnImage& whole, FittedCopy copy, const SiteLimits& limits,
                       const Stop* stop, JpegEncoder encoder, Reduction reduction, double factor,
                       double failing) {
    // Even the lowest quality is too large: fewer pixels at that quality. The guesses go on
    // until the file fills the budget closely.
    const int lowest = FittedQualitiesOf(encoder).lowest;
    const QSize full = copy.size;
    const auto sizeFor = [&full](double factor) {
        return QSize(std::max(1, int(full.width() * factor)),
                     std::max(1, int(full.height() * factor)));
    };
    double fitting = 0;  // the factors known to fit, and (with `failing`) not to
    factor = std::min(factor, failing);
    // The file's size goes as a power of the pixels: nearly the first on a photograph, more on
    // noise, whose reduction averages less of it away the less it reduces. The last two
    // candidates give the picture's own power.
    double power = 1;
    double lastPixels = 0, lastBytes = 0;
    QSize tried;
    for (int round = 0; round < 8 && !Stop::Requested(stop); ++round) {
        const QSize size = sizeFor(factor);
        if (size == tried) {
            break;
        }
        tried = size;
        DrawnRows fewer(whole.scaled(size), reduction);
        Search smaller(fewer, limits.maxBytes, stop, encoder, false);
        const std::int64_t bytes = smaller.sizeAt(lowest);
        ++copy.encodes;
        copy.largestEncoded =
            std::max(copy.largestEncoded, std::int64_t(size.width()) * size.height());
        if (bytes < 0) {
            break;
        }
        if (bytes <= limits.maxBytes) {
            fitting = factor;
            copy.jpeg = smaller.takeBest();
            copy.bytes = copy.jpeg.size();
            copy.size = size;
            copy.quality = lowest;
            if (bytes >= limits.maxBytes * 97 / 100) {
                break;  // close enough to the limit
            }
        } else {
            failing = factor;
        }
        const double candidate = double(size.width()) * size.height();
        if (lastPixels > 0 && lastBytes > 0 && candidate != lastPixels && bytes != lastBytes) {
            power = std::clamp(
                std::log(double(bytes) / lastBytes) / std::log(candidate / lastPixels), 0.5, 2.0);
        }
        lastPixels = candidate;
        lastBytes = double(bytes);
        factor *= std::pow(double(limits.maxBytes) * 0.99 / double(bytes), 0.5 / power);
        if (factor <= fitting || factor >= failing) {
            factor = (fitting + failing) / 2;
        }
    }
    // What the bound's margins are measured from.
    qCDebug(lcProgram) << "fewer pixels:" << full << "estimated to fit" << copy.estimatedPixels
                       << "pixels, found" << copy.size << "in" << copy.encodes
                       << "encodes, the largest of" << copy.largestEncoded << "pixels";
    if (!copy.fits()) {
        copy.reason =
            Stop::Requested(stop)
                ? stoppedText()
                : QStringLiteral("即使缩小图片也无法小于 %1").arg(SiteBytes(limits.maxBytes));
    }
    return copy;
}

}  // namespace

FittedCopy MakeUploadCopy(const DrawnImage& image, const SiteLimits& limits, const Stop* stop,
                          QSize original, bool measureOnly, JpegEncoder encoder,
                          Reduction reduction) {
    FittedCopy copy;
    if (image.size().isEmpty()) {
        copy.reason = QStringLiteral("没有可以保存的图片");
        return copy;
    }
    copy.size = LimitedSize(limits, original.isValid() ? original : image.size());
    copy.size = copy.size.boundedTo(image.size());
    try {
        copy = fit(copy.size == image.size() ? image : image.scaled(copy.size), image, copy, limits,
                   stop, measureOnly, encoder, reduction);
    } catch (const Error& e) {
        copy.jpeg.clear();
        copy.bytes = 0;
        copy.reason = e.message();
    } catch (const std::bad_alloc&) {
        copy.jpeg.clear();
        copy.bytes = 0;
        copy.reason = QStringLiteral("内存不足");
    }
    copy.stopped = !copy.fits() && Stop::Requested(stop);
    if (copy.stopped) {
        copy.reason = stoppedText();
    }
    // The site may refuse an avatar below its side, whatever made it so.
    const QSize given = original.isValid() ? original : image.size();
    const int givenSide = std::min(given.width(), given.height());
    const int copySide = std::min(copy.size.width(), copy.size.height());
    if (copy.fits() && limits.shorterSide > 0 && givenSide < limits.shorterSide) {
        copy.note = QStringLiteral("图片的最小边只有 %1 象素，不到 %2 象素，没有放大")
                        .arg(givenSide)
                        .arg(limits.shorterSide);
    } else if (copy.fits() && limits.shorterSide > 0 && copySide < limits.shorterSide) {
        copy.note = QStringLiteral("为了不大于 %1，图片缩小到最小边 %2 象素，不到 %3 象素")
                        .arg(SiteBytes(limits.maxBytes))
                        .arg(copySide)
                        .arg(limits.shorterSide);
    }
    return copy;
}

FittedCopy MakeUploadCopy(const StdPicture& picture, const SiteLimits& limits, const Stop* stop) {
    return MakeUploadCopy(DrawnImage::Of(picture), limits, stop);
}

FittedCopy MakeCopyAtQuality(const StdPicture& picture, int quality) {
    try {
        return atQuality(DrawnImage::Of(picture), quality, nullptr, false);
    } catch (const std::bad_alloc&) {
        FittedCopy copy;
        copy.reason = QStringLiteral("内存不足");
        return copy;
    }
}

QString CopyDescription(const FittedCopy& copy, QSize result) {
    QString text = QStringLiteral("%1（质量%2）").arg(SiteBytes(copy.bytes)).arg(copy.quality);
    if (result.isValid() && copy.size != result) {
        text += QStringLiteral("，%1 × %2 像素").arg(copy.size.width()).arg(copy.size.height());
    }
    return text;
}

}  // namespace lanxi
