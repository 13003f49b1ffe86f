// What bench/fit needs of our own code besides the command line. Modes:
//   bench_fit_helper scaled WxH OUT.png FILE [MARGIN]
//       the picture our fitted copy starts from, before any JPEG: decoded as the batch decodes
//       (at a reduced scale that gives at least MARGIN times W x H, default 2), area-averaged to
//       exactly W x H, written losslessly.
//   bench_fit_helper split PRESET FILE [REPEATS]
//       where the time of one fitted copy goes: the decode (at the reduced scale), the area
//       averaging, the search; prints the fastest of REPEATS (default 5) of each, in
//       milliseconds, with the encodes, the quality and the size chosen.
//   bench_fit_helper floor PRESET LOWEST 420|444 OUT.jpg FILE
//       the fitted copy as it would be with LOWEST as the quality floor and the given chroma
//       (the same search: the highest quality up to the highest fitted one at the preset's
//       pixels, else the largest picture that fits at LOWEST); prints "W H bytes quality".
//   bench_fit_helper encode IN.png WxH QUALITY OUT.jpg
//       IN area-averaged to W x H and encoded as the fitted copy is, at QUALITY; prints bytes.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "upload/upload_copy.h"
#include "base/errors.h"
#include "codec/loader.h"

namespace {

using namespace lanxi;

const SiteLimits* limitsOf(const QString& key) {
    for (const PresetDescription& p : SitePresets()) {
        if (p.key == key && !key.isEmpty()) {
            return &p.limits;
        }
    }
    return nullptr;
}

QSize parseSize(const QString& text) {
    const QStringList parts = text.split(QLatin1Char('x'));
    return parts.size() == 2 ? QSize(parts[0].toInt(), parts[1].toInt()) : QSize();
}

// Decodes as the batch does for a fitted copy of `kept(full size)` pixels: at a reduced scale
// that gives at least twice those (see CompressFile), or `margin` times. *full is the file's
// upright size.
StdPicture load(const QString& file, const std::function<QSize(QSize)>& kept, QSize* full,
                double margin = 2) {
    LoadControl control;
    control.enough = [&](QSize size) {
        *full = size;
        const QSize k = kept(size);
        return k == size ? size : (QSizeF(k) * margin).toSize().boundedTo(size);
    };
    return LoadPicture(file, &control);
}

StdPicture areaAveraged(const StdPicture& picture, QSize size) {
    if (picture.size() == size) {
        return picture;
    }
    return StdPicture(
        picture.image().scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    std::FILE* f = std::fopen(qPrintable(path), "wb");
    if (f == nullptr) {
        return false;
    }
    const bool ok = std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), f) ==
                    std::size_t(bytes.size());
    return std::fclose(f) == 0 && ok;
}

int scaled(QSize size, const QString& out, const QString& file, double margin) {
    QSize full;
    const StdPicture picture = load(
        file, [size, margin](QSize) { return (QSizeF(size) * margin).toSize(); }, &full);
    return areaAveraged(picture, size).image().save(out, "PNG") ? 0 : 1;
}

int split(const SiteLimits& limits, const QString& file, int repeats) {
    double decode = 1e9, scale = 1e9, fit = 1e9;
    FittedCopy copy;
    QSize full, target, decoded;
    for (int r = 0; r < repeats; ++r) {
        QElapsedTimer t;
        t.start();
        const StdPicture picture = load(
            file, [&limits](QSize s) { return LimitedSize(limits, s); }, &full);
        decode = std::min(decode, double(t.nsecsElapsed()) / 1e6);
        decoded = picture.size();
        target = LimitedSize(limits, full).boundedTo(picture.size());
        t.restart();
        const StdPicture small = areaAveraged(picture, target);
        scale = std::min(scale, double(t.nsecsElapsed()) / 1e6);
        t.restart();
        // Already at the preset's pixels, so the fitting scales nothing again.
        copy = MakeUploadCopy(DrawnImage::Of(small), limits, nullptr, full);
        fit = std::min(fit, double(t.nsecsElapsed()) / 1e6);
    }
    std::printf(
        "file %dx%d, decoded %dx%d, copy %dx%d\n"
        "decode %.1f ms, area averaging %.1f ms, search %.1f ms (%d encodes, %.1f ms each)\n"
        "quality %d, %lld bytes\n",
        full.width(), full.height(), decoded.width(), decoded.height(), copy.size.width(),
        copy.size.height(), decode, scale, fit, copy.encodes, fit / std::max(1, copy.encodes),
        copy.quality, qlonglong(copy.jpeg.size()));
    return copy.fits() ? 0 : 1;
}

QByteArray encodeAt(const StdPicture& picture, int quality, bool subsample = true) {
    JpegSettings settings = kUploadCopy;
    settings.quality = quality;
    settings.subsampleChroma = subsample;
    return EncodeJpeg(picture, settings);
}

int floorRule(const SiteLimits& limits, int lowest, bool subsample, const QString& out,
              const QString& file) {
    QSize full;
    const StdPicture picture = load(
        file, [&limits](QSize s) { return LimitedSize(limits, s); }, &full);
    const QSize target = LimitedSize(limits, full).boundedTo(picture.size());
    const StdPicture start = areaAveraged(picture, target);
    QByteArray best;
    int quality = 0;
    QSize size = target;
    // The highest quality that fits at the preset's pixels, by bisection.
    int fits = lowest - 1, fails = kHighestFittedQuality + 1;
    while (fails - fits > 1) {
        const int q = (fits + fails) / 2;
        QByteArray jpeg = encodeAt(start, q, subsample);
        if (jpeg.size() <= limits.maxBytes) {
            fits = q;
            best = std::move(jpeg);
        } else {
            fails = q;
        }
    }
    quality = fits;
    if (best.isEmpty()) {
        // The largest picture that fits at the floor, by bisection on the scale.
        double small = 0, large = 1;
        quality = lowest;
        for (int round = 0; round < 10; ++round) {
            const double factor = (small + large) / 2;
            const QSize s(std::max(1, int(target.width() * factor)),
                          std::max(1, int(target.height() * factor)));
            QByteArray jpeg = encodeAt(areaAveraged(picture, s), lowest, subsample);
            if (jpeg.size() <= limits.maxBytes) {
                small = factor;
                best = std::move(jpeg);
                size = s;
            } else {
                large = factor;
            }
        }
    }
    if (best.isEmpty() || !writeFile(out, best)) {
        return 1;
    }
    std::printf("%d %d %lld %d\n", size.width(), size.height(), qlonglong(best.size()), quality);
    return 0;
}

int encode(const QString& in, QSize size, int quality, const QString& out) {
    const StdPicture picture = areaAveraged(LoadPicture(in), size);
    const QByteArray jpeg = encodeAt(picture, quality);
    if (jpeg.isEmpty() || !writeFile(out, jpeg)) {
        return 1;
    }
    std::printf("%lld\n", qlonglong(jpeg.size()));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const QString mode = args.value(0);
    try {
        if (mode == QLatin1String("scaled") && args.size() >= 4) {
            return scaled(parseSize(args[1]), args[2], args[3],
                          args.size() > 4 ? args[4].toDouble() : 2.0);
        }
        if (mode == QLatin1String("split") && args.size() >= 3 && limitsOf(args[1]) != nullptr) {
            return split(*limitsOf(args[1]), args[2], args.size() > 3 ? args[3].toInt() : 5);
        }
        if (mode == QLatin1String("floor") && args.size() == 6 && limitsOf(args[1]) != nullptr) {
            return floorRule(*limitsOf(args[1]), args[2].toInt(), args[3] != QLatin1String("444"),
                             args[4], args[5]);
        }
        if (mode == QLatin1String("encode") && args.size() == 5) {
            return encode(args[1], parseSize(args[2]), args[3].toInt(), args[4]);
        }
    } catch (const Error& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
        return 1;
    }
    std::fprintf(stderr,
                 "usage: bench_fit_helper scaled WxH OUT.png FILE | split PRESET FILE [REPEATS] | "
                 "floor PRESET LOWEST 420|444 OUT.jpg FILE | encode IN.png WxH QUALITY OUT.jpg\n");
    return 2;
}
