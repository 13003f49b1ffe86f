// Times SaveAsJpeg against libjpeg-turbo's cjpeg (-quality 80 -optimize) on the same pixels and
// compares the bytes each writes. Usage: bench_jpeg_vs_cjpeg [--runs N] PHOTO...
// Each photo is decoded once; its pixels go to SaveAsJpeg and, as a PPM file, to cjpeg. Both
// are run N times alternately and the fastest run of each is shown. SaveAsJpeg's time is the
// whole call: encoding, writing the temporary file, syncing it and renaming it. cjpeg's time
// is the whole process: starting, reading the PPM, encoding, writing.
// Exits 1 when SaveAsJpeg wrote more bytes than cjpeg for any photo, 2 on a usage error.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <cstdio>
#include <limits>

#include "base/errors.h"
#include "codec/loader.h"
#include "upload/save_as_jpeg.h"

namespace {

using lanxi::StdPicture;

bool writePpm(const QImage& image, const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    QByteArray data = QByteArrayLiteral("P6\n") + QByteArray::number(image.width()) + ' ' +
                      QByteArray::number(image.height()) + "\n255\n";
    const qsizetype header = data.size();
    data.resize(header + qsizetype(image.width()) * image.height() * 3);
    char* out = data.data() + header;
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            *out++ = char(qRed(row[x]));
            *out++ = char(qGreen(row[x]));
            *out++ = char(qBlue(row[x]));
        }
    }
    return file.write(data) == data.size();
}

double ms(const QElapsedTimer& timer) {
    return double(timer.nsecsElapsed()) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    int runs = 3;
    if (args.size() >= 2 && args[0] == QLatin1String("--runs")) {
        runs = std::max(1, args[1].toInt());
        args = args.mid(2);
    }
    QTextStream out(stdout);
    if (args.isEmpty()) {
        out << "usage: bench_jpeg_vs_cjpeg [--runs N] PHOTO...\n";
        return 2;
    }
    QTemporaryDir work;
    const QString ppm = work.filePath(QStringLiteral("in.ppm"));
    const QString ours = work.filePath(QStringLiteral("ours.jpg"));
    const QString theirs = work.filePath(QStringLiteral("cjpeg.jpg"));

    out << QStringLiteral("%1 %2 %3 %4 %5 %6 %7\n")
               .arg(QStringLiteral("photo"), -34)
               .arg(QStringLiteral("pixels"), 11)
               .arg(QStringLiteral("SaveAsJpeg ms"), 14)
               .arg(QStringLiteral("cjpeg ms"), 9)
               .arg(QStringLiteral("our bytes"), 10)
               .arg(QStringLiteral("cjpeg bytes"), 12)
               .arg(QStringLiteral("same file"), 10);
    double ourTotal = 0, theirTotal = 0;
    qint64 ourBytes = 0, theirBytes = 0;
    int larger = 0, same = 0, measured = 0;
    for (const QString& photo : args) {
        StdPicture picture;
        try {
            picture = lanxi::LoadPicture(photo);
        } catch (const lanxi::Error& e) {
            out << photo << ": " << e.message() << '\n';
            continue;
        }
        if (!writePpm(picture.image(), ppm)) {
            out << photo << ": cannot write the PPM copy\n";
            continue;
        }
        double ourBest = std::numeric_limits<double>::max();
        double theirBest = ourBest;
        bool failed = false;
        for (int run = 0; run < runs && !failed; ++run) {
            QElapsedTimer timer;
            timer.start();
            failed = lanxi::SaveAsJpeg(picture, ours, 80) != lanxi::kTrue;
            ourBest = std::min(ourBest, ms(timer));

            QProcess cjpeg;
            timer.start();
            cjpeg.start(QStringLiteral("cjpeg"),
                        {QStringLiteral("-quality"), QStringLiteral("80"),
                         QStringLiteral("-optimize"), QStringLiteral("-outfile"), theirs, ppm});
            const bool ran = cjpeg.waitForFinished(-1) &&
                             cjpeg.exitStatus() == QProcess::NormalExit && cjpeg.exitCode() == 0;
            theirBest = std::min(theirBest, ms(timer));
            if (!ran) {
                out << photo << ": cjpeg failed: " << cjpeg.errorString()
                    << cjpeg.readAllStandardError() << '\n';
                return 2;
            }
        }
        if (failed) {
            out << photo << ": SaveAsJpeg failed\n";
            larger++;
            continue;
        }
        QFile a(ours), b(theirs);
        a.open(QIODevice::ReadOnly);
        b.open(QIODevice::ReadOnly);
        const QByteArray ourData = a.readAll(), theirData = b.readAll();
        const bool identical = ourData == theirData;
        measured++;
        same += identical ? 1 : 0;
        larger += ourData.size() > theirData.size() ? 1 : 0;
        ourTotal += ourBest;
        theirTotal += theirBest;
        ourBytes += ourData.size();
        theirBytes += theirData.size();
        // Wallpapers are named by their folder: /usr/share/wallpapers/NAME/contents/images/WxH.jpg
        QString name = QFileInfo(photo).absoluteFilePath();
        name.remove(QStringLiteral("/usr/share/wallpapers/"));
        name.remove(QStringLiteral("/contents/images"));
        out << QStringLiteral("%1 %2 %3 %4 %5 %6 %7\n")
                   .arg(name.right(34), -34)
                   .arg(QStringLiteral("%1x%2").arg(picture.width()).arg(picture.height()), 11)
                   .arg(ourBest, 14, 'f', 1)
                   .arg(theirBest, 9, 'f', 1)
                   .arg(ourData.size(), 10)
                   .arg(theirData.size(), 12)
                   .arg(identical ? QStringLiteral("yes") : QStringLiteral("no"), 10);
    }
    out << QStringLiteral("%1 %2 %3 %4 %5 %6 %7\n")
               .arg(QStringLiteral("total (%1 photos, best of %2 runs)").arg(measured).arg(runs),
                    -34)
               .arg(QString(), 11)
               .arg(ourTotal, 14, 'f', 1)
               .arg(theirTotal, 9, 'f', 1)
               .arg(ourBytes, 10)
               .arg(theirBytes, 12)
               .arg(QStringLiteral("%1/%2").arg(same).arg(measured), 10);
    if (larger > 0) {
        out << larger << " photo(s): SaveAsJpeg wrote more bytes than cjpeg or failed\n";
        return 1;
    }
    out << "SaveAsJpeg's files are no larger than cjpeg's on every photo\n";
    return measured > 0 ? 0 : 2;
}
