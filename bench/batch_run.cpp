// Times a batch run as the batch window makes it: every BMP and JPEG file of a directory is a
// row, each is re-encoded at quality 80 under its "_YS." name by the window's own engine, on its
// worker thread, with the user-interface thread waiting in its event loop. Prints the files,
// megapixels, seconds, throughput, bytes in and out, and the process's memory before and at
// its peak. With --stop-after MS the run is stopped that many milliseconds after its start, as
// the progress dialog's "停止" does, and the time the run took to end after the stop is shown.
// With --formats, PNG, WebP and HEIC/HEIF/AVIF files are rows too (the batch window's box).
//   bench_batch_run DIRECTORY [--overwrite] [--formats] [--stop-after MS]
#include <sys/resource.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <cstdio>

#include "codec/formats.h"
#include "codec/picture_probe.h"
#include "compress/batch_plan.h"
#include "compress/batch_run.h"
#include "forms/file_lists.h"

namespace {

// Resident memory now, from /proc (Linux), in MiB; -1 elsewhere.
double residentMiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
        }
    }
    return -1;
}

double peakMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(
            stderr,
            "usage: bench_batch_run DIRECTORY [--overwrite] [--formats] [--stop-after MS]\n");
        return 2;
    }
    const QString directory = QDir::toNativeSeparators(QFileInfo(args.at(1)).absoluteFilePath());
    const bool overwrite = args.contains(QStringLiteral("--overwrite"));
    const qsizetype stopAt = args.indexOf(QStringLiteral("--stop-after"));
    const int stopAfter = stopAt > 0 && stopAt + 1 < args.size() ? args.at(stopAt + 1).toInt() : -1;

    lanxi::BatchList rows;
    double megapixels = 0;
    qint64 bytesIn = 0;
    const QString wildcards = args.contains(QStringLiteral("--formats"))
                                  ? lanxi::EveryPictureWildcards()
                                  : lanxi::BmpAndJpegWildcards();
    for (const QString& name : lanxi::MatchingFiles(directory, wildcards)) {
        if (name.contains(QLatin1String("_YS."))) {
            continue;  // a copy from an earlier run
        }
        const lanxi::BatchRow row{name, directory};
        rows.add(row);
        const QSize size = lanxi::ProbePictureFile(row.path()).size;
        megapixels += double(size.width()) * size.height() / 1e6;
        bytesIn += QFileInfo(row.path()).size();
    }
    const std::vector<lanxi::BatchJob> jobs = lanxi::PlanBatch(rows, overwrite);

    const double before = residentMiB();
    lanxi::BatchRun run(jobs);
    QEventLoop loop;
    QObject::connect(&run, &lanxi::BatchRun::finished, &loop, &QEventLoop::quit);
    QElapsedTimer clock;
    clock.start();
    qint64 stoppedAt = -1;
    if (stopAfter >= 0) {
        QTimer::singleShot(stopAfter, &run, [&] {
            stoppedAt = clock.nsecsElapsed();
            run.Stop();
        });
    }
    run.Start();
    if (run.IsRunning()) {
        loop.exec();
    }
    const double seconds = double(clock.nsecsElapsed()) / 1e9;

    qint64 bytesOut = 0;
    for (const lanxi::BatchJob& job : jobs) {
        bytesOut += QFileInfo(job.target).size();
    }
    const lanxi::BatchSummary summary = run.Summary();
    std::printf("files            %d (written %d)\n", summary.total, summary.written);
    std::printf("megapixels       %.1f (%.1f per file)\n", megapixels,
                jobs.empty() ? 0.0 : megapixels / double(jobs.size()));
    std::printf("seconds          %.2f (%.3f per file)\n", seconds,
                jobs.empty() ? 0.0 : seconds / double(jobs.size()));
    std::printf("MP/s             %.1f\n", megapixels / seconds);
    std::printf("bytes in / out   %lld / %lld (%.1f %%)\n", static_cast<long long>(bytesIn),
                static_cast<long long>(bytesOut),
                bytesIn ? 100.0 * double(bytesOut) / double(bytesIn) : 0.0);
    std::printf("memory MiB       %.0f before the run, %.0f at the peak\n", before, peakMiB());
    if (stoppedAt >= 0) {
        std::printf("stopped after    %d ms; the run ended %.0f ms after the stop, %d rows left\n",
                    stopAfter, double(clock.nsecsElapsed() - stoppedAt) / 1e6, summary.unprocessed);
    }
    return summary.written == summary.total ? 0 : 1;
}
