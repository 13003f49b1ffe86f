// What bench/fit needs of our own code besides the command line. Modes:
//   bench_fit_helper scaled WxH OUT.png FILE [MARGIN [REDUCTION]]
//       the picture our fitted copy starts from, before any JPEG: decoded as the batch decodes
//       (at a reduced scale that gives at least MARGIN times W x H, default 2), reduced to
//       exactly W x H, written losslessly. REDUCTION: area, lanczos3 or mks (Magic Kernel
//       Sharp); the fitted copies' one by default.
//   bench_fit_helper split PRESET FILE [REPEATS]
//       where the time of one fitted copy goes: the decode (at the reduced scale), the
//       reduction, the search; prints the fastest of REPEATS (default 5) of each, in
//       milliseconds, with the encodes, the quality and the size chosen.
//   bench_fit_helper floor PRESET LOWEST 420|444 OUT.jpg FILE
//       the fitted copy as it would be with LOWEST as the quality floor and the given chroma
//       (the same search: the highest quality up to the highest fitted one at the preset's
//       pixels, else the largest picture that fits at LOWEST); prints "W H bytes quality".
//   bench_fit_helper encode IN.png WxH QUALITY OUT.jpg [SETTING]
//       IN reduced to W x H and encoded at QUALITY as the fitted copy is in halved colour,
//       or with SETTING (see budget); prints bytes.
//   bench_fit_helper budget IN.png BUDGET SETTING OUT.jpg
//       IN encoded with SETTING at the highest quality up to the encoder's highest fitted one
//       whose file fits BUDGET bytes; prints "quality bytes" ("0 0" when none from 1 does).
//       SETTING: ENCODER-CHROMA with ENCODER turbo, jpegli-sequential or jpegli-progressive and
//       CHROMA 420 or 444.
//   bench_fit_helper copies PRESET turbo|jpegli[/REDUCTION] OUTDIR FILE...
//       the fitted copy of each FILE made as the command line makes it, but with the given
//       encoder (and reduction, as for scaled), written as OUTDIR/NAME.jpg; prints a line for
//       each as the command line does ("FILE<tab>BYTES 字节<tab>质量 Q<tab>OUT").
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>

#include "base/errors.h"
#include "codec/loader.h"
#include "upload/upload_copy.h"

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

std::optional<Reduction> reductionOf(const QString& name) {
    if (name == QLatin1String("area")) {
        return Reduction::Area;
    }
    if (name == QLatin1String("lanczos3")) {
        return Reduction::Lanczos3;
    }
    if (name == QLatin1String("mks")) {
        return Reduction::MagicKernelSharp;
    }
    return std::nullopt;
}

StdPicture reduced(const StdPicture& picture, QSize size, Reduction reduction = kFittedReduction) {
    if (picture.size() == size) {
        return picture;
    }
    return StdPicture(Reduced(picture.image(), size, reduction));
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

int scaled(QSize size, const QString& out, const QString& file, double margin,
           Reduction reduction) {
    QSize full;
    const StdPicture picture = load(
        file, [size](QSize) { return size; }, &full, margin);
    return reduced(picture, size, reduction).image().save(out, "PNG") ? 0 : 1;
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
        const StdPicture small = reduced(picture, target);
        scale = std::min(scale, double(t.nsecsElapsed()) / 1e6);
        t.restart();
        // Already at the preset's pixels, so the fitting scales nothing again.
        copy = MakeUploadCopy(DrawnImage::Of(small), limits, nullptr, full);
        fit = std::min(fit, double(t.nsecsElapsed()) / 1e6);
    }
    std::printf(
        "file %dx%d, decoded %dx%d, copy %dx%d\n"
        "decode %.1f ms, reduction %.1f ms, search %.1f ms (%d encodes, %.1f ms each)\n"
        "quality %d, %lld bytes\n",
        full.width(), full.height(), decoded.width(), decoded.height(), copy.size.width(),
        copy.size.height(), decode, scale, fit, copy.encodes, fit / std::max(1, copy.encodes),
        copy.quality, qlonglong(copy.jpeg.size()));
    return copy.fits() ? 0 : 1;
}

QByteArray encodeAt(const StdPicture& picture, int quality, bool subsample = true) {
    return EncodeJpeg(picture, {quality, subsample, kFittedEncoder});
}

int floorRule(const SiteLimits& limits, int lowest, bool subsample, const QString& out,
              const QString& file) {
    QSize full;
    const StdPicture picture = load(
        file, [&limits](QSize s) { return LimitedSize(limits, s); }, &full);
    const QSize target = LimitedSize(limits, full).boundedTo(picture.size());
    const StdPicture start = reduced(picture, target);
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
            QByteArray jpeg = encodeAt(reduced(picture, s), lowest, subsample);
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

bool parseSetting(const QString& text, JpegSettings* settings) {
    const int dash = text.lastIndexOf(QLatin1Char('-'));
    const QString encoder = text.left(dash), chroma = text.mid(dash + 1);
    if (encoder == QLatin1String("turbo")) {
        settings->encoder = JpegEncoder::LibjpegTurbo;
    } else if (encoder == QLatin1String("jpegli-sequential")) {
        settings->encoder = JpegEncoder::JpegliSequential;
    } else if (encoder == QLatin1String("jpegli-progressive")) {
        settings->encoder = JpegEncoder::JpegliProgressive;
    } else {
        return false;
    }
    settings->subsampleChroma = chroma == QLatin1String("420");
    return chroma == QLatin1String("420") || chroma == QLatin1String("444");
}

int budget(const QString& in, std::int64_t bytes, JpegSettings settings, const QString& out) {
    const StdPicture picture = LoadPicture(in);
    QByteArray best;
    int fits = 0, fails = FittedQualitiesOf(settings.encoder).highest + 1;
    while (fails - fits > 1) {
        settings.quality = (fits + fails) / 2;
        QByteArray jpeg = EncodeJpeg(picture, settings);
        if (!jpeg.isEmpty() && jpeg.size() <= bytes) {
            fits = settings.quality;
            best = std::move(jpeg);
        } else {
            fails = settings.quality;
        }
    }
    if (!best.isEmpty() && !writeFile(out, best)) {
        return 1;
    }
    std::printf("%d %lld\n", fits, qlonglong(best.size()));
    return 0;
}

int copies(const SiteLimits& limits, JpegEncoder encoder, Reduction reduction, const QString& dir,
           const QStringList& files) {
    int failed = 0;
    for (const QString& file : files) {
        const FittedCopy copy =
            MakeUploadCopyOfFile(file, limits, nullptr, nullptr, encoder, reduction);
        const QString out =
            dir + QLatin1Char('/') + QFileInfo(file).completeBaseName() + QStringLiteral(".jpg");
        if (!copy.fits() || !writeFile(out, copy.jpeg)) {
            std::printf("%s\t%s\n", qPrintable(file), qPrintable(copy.reason));
            ++failed;
            continue;
        }
        std::printf("%s\t%lld 字节\t质量 %d\t%s\n", qPrintable(file), qlonglong(copy.bytes),
                    copy.quality, qPrintable(out));
    }
    return failed == 0 ? 0 : 1;
}

int encode(const QString& in, QSize size, JpegSettings settings, const QString& out) {
    const StdPicture picture = reduced(LoadPicture(in), size);
    const QByteArray jpeg = EncodeJpeg(picture, settings);
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
        if (mode == QLatin1String("scaled") && args.size() >= 4 &&
            (args.size() < 6 || reductionOf(args[5]))) {
            return scaled(parseSize(args[1]), args[2], args[3],
                          args.size() > 4 ? args[4].toDouble() : 2.0,
                          args.size() > 5 ? *reductionOf(args[5]) : kFittedReduction);
        }
        if (mode == QLatin1String("split") && args.size() >= 3 && limitsOf(args[1]) != nullptr) {
            return split(*limitsOf(args[1]), args[2], args.size() > 3 ? args[3].toInt() : 5);
        }
        if (mode == QLatin1String("floor") && args.size() == 6 && limitsOf(args[1]) != nullptr) {
            return floorRule(*limitsOf(args[1]), args[2].toInt(), args[3] != QLatin1String("444"),
                             args[4], args[5]);
        }
        const QString encoder = args.value(2).section(QLatin1Char('/'), 0, 0);
        const QString reduction = args.value(2).section(QLatin1Char('/'), 1);
        if (mode == QLatin1String("copies") && args.size() >= 5 && limitsOf(args[1]) != nullptr &&
            (encoder == QLatin1String("turbo") || encoder == QLatin1String("jpegli")) &&
            (reduction.isEmpty() || reductionOf(reduction))) {
            return copies(
                *limitsOf(args[1]),
                encoder == QLatin1String("turbo") ? JpegEncoder::LibjpegTurbo : kFittedEncoder,
                reduction.isEmpty() ? kFittedReduction : *reductionOf(reduction), args[3],
                args.mid(4));
        }
        JpegSettings settings{0, true, kFittedEncoder};
        if (mode == QLatin1String("encode") && (args.size() == 5 || args.size() == 6) &&
            (args.size() == 5 || parseSetting(args[5], &settings))) {
            settings.quality = args[3].toInt();
            return encode(args[1], parseSize(args[2]), settings, args[4]);
        }
        if (mode == QLatin1String("budget") && args.size() == 5 &&
            parseSetting(args[3], &settings)) {
            return budget(args[1], args[2].toLongLong(), settings, args[4]);
        }
    } catch (const Error& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
        return 1;
    }
    std::fprintf(
        stderr,
        "usage: bench_fit_helper scaled WxH OUT.png FILE [MARGIN [REDUCTION]] | split PRESET FILE "
        "[REPEATS] | "
        "floor PRESET LOWEST 420|444 OUT.jpg FILE | encode IN.png WxH QUALITY OUT.jpg [SETTING] | "
        "budget IN.png BUDGET SETTING OUT.jpg | "
        "copies PRESET turbo|jpegli[/REDUCTION] OUTDIR FILE...\n");
    return 2;
}
