// How long opening a large photograph takes: decoding it, and the whole "打开图片" click up to
// the window showing it; and what a colour profile adds, on the same picture written again with
// an Adobe RGB profile (the conversion to sRGB).
//   bench_open_picture [photo.jpg]     (without a file: a 15-megapixel photo-like JPEG is made)
#include <QApplication>
#include <QColorSpace>
#include <QElapsedTimer>
#include <QFile>
#include <QImageWriter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "app/identity.h"
#include "codec/loader.h"
#include "colour/colour.h"
#include "forms/ui.h"
#include "workspace/form1.h"

namespace {

class AnswerOnce : public lanxi::UserInterface {
  public:
    explicit AnswerOnce(QString path) : path_(std::move(path)) {}
    QString fileDialog(const lanxi::FileDialogRequest&) override { return path_; }
    void messageBox(const lanxi::MessageBoxRequest&) override {}
    void openAddress(QWidget*, const QString&) override {}

  private:
    QString path_;
};

// Smooth shapes with fine grain on top, so the file compresses like a photograph does.
QImage photoLike(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    QRandomGenerator noise(42);
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const double fx = double(x) / w, fy = double(y) / h;
            const int n = int(noise.bounded(17)) - 8;
            row[x] = qRgb(std::clamp(int(120 + 90 * std::sin(6 * fx + 2 * fy)) + n, 0, 255),
                          std::clamp(int(110 + 80 * std::cos(4 * fy - 3 * fx)) + n, 0, 255),
                          std::clamp(int(100 + 70 * std::sin(9 * fx * fy)) + n, 0, 255));
        }
    }
    return image;
}

long peakKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:")) {
            return line.mid(6).trimmed().split(' ').first().toLong();
        }
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    lanxi::SetUpProgramLook();
    QTemporaryDir dir;
    QString path = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (path.isEmpty()) {
        path = dir.filePath(QStringLiteral("photo-15mp.jpg"));
        QImageWriter writer(path, "jpeg");
        writer.setQuality(90);
        writer.write(photoLike(4480, 3360));
    }
    const qint64 bytes = QFileInfo(path).size();

    QElapsedTimer timer;
    QSize size;
    const auto bestDecode = [&](const QString& file, int threads = 1) {
        double best = 1e9;
        for (int i = 0; i < 5; ++i) {
            lanxi::LoadControl control;
            control.threads = threads;
            timer.start();
            const lanxi::StdPicture picture = lanxi::LoadPicture(file, &control);
            best = std::min(best, timer.nsecsElapsed() / 1e6);
            size = picture.size();
        }
        return best;
    };
    const double decodeMs = bestDecode(path);
    // As the workspace opens it: a HEIC grid's tiles on every core.
    const int cores = QThread::idealThreadCount();
    const double everyCoreMs = bestDecode(path, cores);
    // The same pixels with a wide-gamut profile: the decode is the same work, the rest is the
    // conversion. Both files are written alike by Qt's writer, so both decodes do the same work.
    const QString widePath = dir.filePath(QStringLiteral("wide.jpg"));
    const QString plainPath = dir.filePath(QStringLiteral("plain.jpg"));
    {
        QImage pixels = lanxi::LoadPicture(path).image();
        QImageWriter(plainPath, "jpeg").write(pixels);
        pixels.setColorSpace(QColorSpace(QColorSpace::AdobeRgb));
        QImageWriter(widePath, "jpeg").write(pixels);
    }
    const double plainMs = bestDecode(plainPath);
    const double wideMs = bestDecode(widePath);
    // The conversion alone, on the decoded pixels: wall clock (it works in bands on every core)
    // and the CPU time of all its threads.
    double convertMs = 1e9, convertCpuMs = 1e9;
    {
        const QImage stored = lanxi::LoadPicture(plainPath).image();
        for (int i = 0; i < 5; ++i) {
            QImage pixels = stored.copy();
            const std::clock_t cpu = std::clock();
            timer.start();
            lanxi::ToSrgb(&pixels, lanxi::ColourSpace{
                                       QColorSpace(QColorSpace::AdobeRgb).iccProfile(), {}, {}});
            convertMs = std::min(convertMs, timer.nsecsElapsed() / 1e6);
            convertCpuMs = std::min(convertCpuMs, (std::clock() - cpu) * 1000.0 / CLOCKS_PER_SEC);
        }
    }

    AnswerOnce ui(path);
    lanxi::SetUi(&ui);
    lanxi::Form1 form;
    form.Show();
    QApplication::processEvents();
    timer.start();
    QTest::mouseClick(form.Command5, Qt::LeftButton);
    const double clickMs = timer.nsecsElapsed() / 1e6;
    form.window()->repaint();
    const double shownMs = timer.nsecsElapsed() / 1e6;
    lanxi::SetUi(nullptr);

    std::printf("picture      %s (%.1f MB, %d x %d = %.1f MP)\n", qPrintable(path), bytes / 1e6,
                size.width(), size.height(), size.width() * double(size.height()) / 1e6);
    std::printf(
        "decode       %.0f ms (best of 5), %.0f ms on %d threads as the workspace opens it\n",
        decodeMs, everyCoreMs, cores);
    std::printf(
        "with profile %.0f ms against %.0f ms for the same pixels without one: the "
        "conversion to sRGB adds %.0f %% to the decode\n",
        wideMs, plainMs, 100 * (wideMs - plainMs) / plainMs);
    std::printf(
        "conversion   %.0f ms alone (best of 5; %.0f ms of CPU time in all its threads): "
        "%.0f %% of the decode\n",
        convertMs, convertCpuMs, 100 * convertMs / plainMs);
    std::printf("open click   %.0f ms (dialog answered, file loaded, frames sized)\n", clickMs);
    std::printf("shown        %.0f ms (the click plus the window's repaint)\n", shownMs);
    std::printf("peak memory  %.0f MB\n", peakKb() / 1024.0);
    return 0;
}
