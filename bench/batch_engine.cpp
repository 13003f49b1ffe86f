// The batch engine on its own, for bench/batch. Three modes:
//   bench_batch_engine run WORKERS OUTDIR FILE...
//       re-encodes every file into OUTDIR (same name) through the batch run, on WORKERS workers
//       (0: one per core); prints "rows written seconds peak_kb" (peak: the process's largest
//       resident size). Exits 1 when a row failed. With BENCH_BATCH_TRACE set, every row's
//       start and end times go to stderr.
//   bench_batch_engine megapixels FILE...
//       prints the files' total size in megapixels (from their headers).
//   bench_batch_engine compare DIR_A DIR_B
//       prints the mean absolute difference per channel between the pictures of the same name
//       in both directories (0 to 255), and how many were compared.
#include <sys/resource.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImageReader>
#include <cstdio>

#include "base/errors.h"
#include "codec/loader.h"
#include "codec/picture_probe.h"
#include "compress/batch_run.h"

namespace {

using namespace lanxi;

long peakKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

int run(int workers, const QString& outDir, const QStringList& files) {
    QDir().mkpath(outDir);
    std::vector<BatchJob> jobs;
    for (const QString& file : files) {
        // Every copy is a JPEG: a PNG's or a HEIC's goes under its name with .jpg, as the
        // other tools are asked to write it.
        jobs.push_back({file, QDir(outDir).filePath(QFileInfo(file).completeBaseName() +
                                                    QStringLiteral(".jpg"))});
    }
    QElapsedTimer timer;
    timer.start();
    BatchRun batch(std::move(jobs), nullptr, workers);
    QObject::connect(&batch, &BatchRun::finished, qApp, &QCoreApplication::quit);
    if (qEnvironmentVariableIsSet("BENCH_BATCH_TRACE")) {
        // When each row starts and ends, to see where a worker waits.
        QObject::connect(&batch, &BatchRun::rowStarted, [&](int row) {
            std::fprintf(stderr, "%.3f start %d\n", double(timer.nsecsElapsed()) / 1e9, row);
        });
        QObject::connect(&batch, &BatchRun::rowFinished, [&](int row) {
            std::fprintf(stderr, "%.3f end %d\n", double(timer.nsecsElapsed()) / 1e9, row);
        });
    }
    batch.Start();
    if (batch.IsRunning()) {
        QCoreApplication::exec();
    }
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    const BatchSummary summary = batch.Summary();
    for (const BatchSummary::Failure& f : summary.failures) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(f.name), qPrintable(f.reason));
    }
    std::printf("%d %d %.3f %ld\n", summary.total, summary.written, seconds, peakKilobytes());
    return summary.written == summary.total ? 0 : 1;
}

int megapixels(const QStringList& files) {
    double total = 0;
    for (const QString& file : files) {
        const QSize size = ProbePictureFile(file).size;
        total += double(size.width()) * size.height() / 1e6;
    }
    std::printf("%.3f\n", total);
    return 0;
}

int compare(const QString& a, const QString& b) {
    double sum = 0;
    double samples = 0;
    int compared = 0;
    for (const QString& name : QDir(a).entryList(QDir::Files, QDir::Name)) {
        const QString other = QDir(b).filePath(name);
        if (!QFileInfo::exists(other)) {
            continue;
        }
        try {
            const QImage x = LoadPicture(QDir(a).filePath(name)).image();
            const QImage y = LoadPicture(other).image();
            if (x.size() != y.size()) {
                std::fprintf(stderr, "%s: sizes differ\n", qPrintable(name));
                continue;
            }
            for (int row = 0; row < x.height(); ++row) {
                const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
                const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
                for (int col = 0; col < x.width(); ++col) {
                    sum += std::abs(qRed(p[col]) - qRed(q[col])) +
                           std::abs(qGreen(p[col]) - qGreen(q[col])) +
                           std::abs(qBlue(p[col]) - qBlue(q[col]));
                }
            }
            samples += 3.0 * x.width() * x.height();
            ++compared;
        } catch (const Error& e) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(name), qPrintable(e.message()));
        }
    }
    std::printf("%.4f %d\n", samples > 0 ? sum / samples : -1.0, compared);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const QString mode = args.value(0);
    if (mode == QLatin1String("run") && args.size() >= 3) {
        return run(args[1].toInt(), args[2], args.mid(3));
    }
    if (mode == QLatin1String("megapixels")) {
        return megapixels(args.mid(1));
    }
    if (mode == QLatin1String("compare") && args.size() == 3) {
        return compare(args[1], args[2]);
    }
    std::fprintf(stderr,
                 "usage: bench_batch_engine run WORKERS OUTDIR FILE... | megapixels FILE... | "
                 "compare DIR_A DIR_B\n");
    return 2;
}
