// Times the workspace's edits on a large photo: open, zoom and shrink steps, fixed sizes, reset,
// a crop drag and its release, the first zoom after it, and the full render a save reads; and
// the process's peak memory. With --steps: open, then twenty steps of every kind in a row, each
// undone with Ctrl+Z and made again with Ctrl+Y, and the memory the undo history holds (a build
// without the history runs the same steps, its keys doing nothing). With --presets: the whole
// picture as the result at the article preset, then again at the identity card's, the readout
// caught up each time; with --preview besides, the preview of the upload copy is open through
// them, shown at 100 % and fitted, each way compared (the space bar held), and the peak memory
// of the two runs tells what the preview adds.
//
//   bench_workspace_edits [--no-readout] [--steps | --presets [--preview]] [PICTURE]
//
// The strip's readout works out the upload copy of every result on a worker meanwhile; the
// figures before the full render are taken once it has caught up. --no-readout disconnects it,
// for the same run without it.
//
// Without PICTURE a photo-like 15-megapixel JPEG (4480 x 3360) is made in a temporary
// directory, a 24-megapixel one (6000 x 4000) for --presets. Run it on Qt's offscreen platform
// (QT_QPA_PLATFORM=offscreen) or on a virtual screen (xvfb-run -a). "click" is the handler,
// "repaint" the synchronous repaint of the right pane (what the user sees change), both in
// milliseconds.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

#include <jpeglib.h>

#include "forms/ui.h"
#include "preview/copy_preview.h"
#include "workspace/form1.h"

namespace {

using lanxi::Form1;

class BenchUi : public lanxi::UserInterface {
  public:
    QString path;
    QString fileDialog(const lanxi::FileDialogRequest&) override { return path; }
    void messageBox(const lanxi::MessageBoxRequest&) override {}
    void openAddress(QWidget*, const QString&) override {}
};

// Kilobytes of a line of /proc/self/status ("VmHWM", "VmRSS"); -1 where there is none.
long statusKb(const char* key) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.startsWith(key)) {
            return line.mid(line.indexOf(':') + 1).trimmed().split(' ').first().toLong();
        }
    }
    return -1;
}

QString memory() {
    return QStringLiteral("rss %1 MB, peak %2 MB")
        .arg(statusKb("VmRSS") / 1024)
        .arg(statusKb("VmHWM") / 1024);
}

// What the undo history keeps, in a build that has one.
QString history(Form1& form) {
#if __has_include("workspace/edit_history.h")
    return QStringLiteral("; history: %1 steps, %2 MB of pixels of its own")
        .arg(form.History().Steps())
        .arg(double(form.History().OwnBytes(form.State())) / (1 << 20), 0, 'f', 1);
#else
    Q_UNUSED(form);
    return QStringLiteral("; no history");
#endif
}

// Smooth light, a few hard-edged objects and sensor noise: compresses like a photograph. Written
// row by row, so that making the picture does not raise the memory the figures report.
bool writePhotoLike(const QString& path, int w, int h) {
    std::FILE* file = std::fopen(QFile::encodeName(path).constData(), "wb");
    if (file == nullptr) {
        return false;
    }
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, file);
    cinfo.image_width = JDIMENSION(w);
    cinfo.image_height = JDIMENSION(h);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 90, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    QRandomGenerator rng(42);
    std::vector<unsigned char> row(std::size_t(w) * 3);
    for (int y = 0; y < h; ++y) {
        const double fy = double(y) / h;
        for (int x = 0; x < w; ++x) {
            const double fx = double(x) / w;
            double r = 90 + 120 * fy + 30 * std::sin(9 * fx);
            double g = 120 + 60 * std::cos(5 * fx + 3 * fy);
            double b = 180 - 100 * fy;
            const double dx = fx - 0.6, dy = fy - 0.55;
            if (dx * dx + dy * dy < 0.04) {  // a round object
                r = 200 + 40 * std::sin(40 * fx);
                g = 80;
                b = 40 + 30 * std::sin(60 * fy);
            }
            if ((x / 37 + y / 53) % 9 == 0 && fy > 0.7) {  // texture on the ground
                r *= 0.6;
                g *= 0.6;
                b *= 0.6;
            }
            const int n = int(rng.bounded(17)) - 8;
            row[std::size_t(x) * 3] = (unsigned char)std::clamp(int(r) + n, 0, 255);
            row[std::size_t(x) * 3 + 1] = (unsigned char)std::clamp(int(g) + n, 0, 255);
            row[std::size_t(x) * 3 + 2] = (unsigned char)std::clamp(int(b) + n, 0, 255);
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return std::fclose(file) == 0;
}

// Counts the paint events of the right frame and the pixels they covered, to show that the
// repaints timed here really drew the frame.
class PaintCounter : public QObject {
  public:
    long events = 0;
    long long pixels = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) {
            const QRect r = static_cast<QPaintEvent*>(e)->rect();
            ++events;
            pixels += static_cast<long long>(r.width()) * r.height();
        }
        return false;
    }
};

struct Timing {
    double click = 0, repaint = 0;
};

double msSince(const QElapsedTimer& t) {
    return double(t.nsecsElapsed()) / 1e6;
}

// Runs a handler, then repaints the right pane at once.
template <class F>
Timing timed(Form1& form, F&& handler) {
    QElapsedTimer t;
    t.start();
    handler();
    Timing out;
    out.click = msSince(t);
    t.restart();
    form.Picture3->repaint();
    out.repaint = msSince(t);
    QApplication::processEvents();
    return out;
}

void report(const char* what, const Timing& t, const Form1& form) {
    std::printf("%-34s click %8.1f  repaint %6.1f  total %8.1f   result %s x %s px\n", what,
                t.click, t.repaint, t.click + t.repaint, qPrintable(form.Label1[2]->Caption()),
                qPrintable(form.Label1[4]->Caption()));
}

void mouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button,
           Qt::MouseButtons held) {
    QMouseEvent e(type, QPointF(at), w->mapToGlobal(QPointF(at)), button, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

void dragOn(QWidget* w, QPoint from, QPoint to) {
    mouse(w, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    mouse(w, QEvent::MouseMove, (from + to) / 2, Qt::NoButton, Qt::LeftButton);
    mouse(w, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    mouse(w, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
}

// A key pressed in the window, as the user presses it.
void keyIn(QWidget* window, Qt::Key key, Qt::KeyboardModifiers modifiers) {
    QApplication::setActiveWindow(window);
    QTest::keyClick(window, key, modifiers);
}

// Median and largest of a set of timings.
void summary(const char* what, std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    std::printf("%-34s median %6.1f  max %6.1f   (%zu clicks, click + repaint)\n", what,
                ms[ms.size() / 2], ms.back(), ms.size());
}

// Twenty steps of every kind on the opened picture, then each undone and made again.
void twentySteps(Form1& form) {
    lanxi::PictureFrame* left = form.Picture2;
    const int w = left->width(), h = left->height();
    const auto crop = [&](double x0, double y0, double x1, double y1) {
        dragOn(left, QPoint(int(w * x0), int(h * y0)), QPoint(int(w * x1), int(h * y1)));
    };
    const auto type = [&](const char* width, const char* height) {
        form.Text1->setText(QString::fromLatin1(width));
        form.Text2->setText(QString::fromLatin1(height));
    };
    const auto preset = [&](int index) {
        form.Combo1->setCurrentIndex(index);
        emit form.Combo1->activated(index);
    };
    const std::vector<std::pair<const char*, std::function<void()>>> steps = {
        {"crop most of it", [&] { crop(0.05, 0.05, 0.9, 0.85); }},
        {"zoom", [&] { form.Command1->click(); }},
        {"zoom", [&] { form.Command1->click(); }},
        {"shrink", [&] { form.Command2->click(); }},
        {"fixed width 700",
         [&] {
             type("700", "0");
             form.Command1->click();
             type("0", "0");
         }},
        {"reset", [&] { form.Command8->click(); }},
        {"crop a small part", [&] { crop(0.3, 0.3, 0.5, 0.45); }},
        {"copy to the left", [&] { form.Command4->click(); }},
        {"restore the opened picture", [&] { form.Command6->click(); }},
        {"copy to the right", [&] { form.Command10->click(); }},
        {"crop a small part", [&] { crop(0.6, 0.1, 0.8, 0.3); }},
        {"avatar preset", [&] { preset(2); }},
        {"zoom", [&] { form.Command1->click(); }},
        {"fixed height 210",
         [&] {
             type("0", "210");
             form.Command2->click();
             type("0", "0");
         }},
        {"crop a small part", [&] { crop(0.1, 0.6, 0.3, 0.8); }},
        {"article preset", [&] { preset(1); }},
        {"reset", [&] { form.Command8->click(); }},
        {"zoom", [&] { form.Command1->click(); }},
        {"crop a quarter", [&] { crop(0.2, 0.2, 0.7, 0.7); }},
        {"shrink", [&] { form.Command2->click(); }},
    };
    std::printf("before the twenty steps: %s%s\n", qPrintable(memory()), qPrintable(history(form)));
    std::vector<double> made, undone, redone;
    for (const auto& [name, step] : steps) {
        const Timing t = timed(form, step);
        made.push_back(t.click + t.repaint);
        report(name, t, form);
    }
    summary("twenty steps", made);
    std::printf("after the twenty steps: %s%s\n", qPrintable(memory()), qPrintable(history(form)));
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const Timing t = timed(form, [&] { keyIn(form.window(), Qt::Key_Z, Qt::ControlModifier); });
        undone.push_back(t.click + t.repaint);
    }
    summary("undo (Ctrl+Z)", undone);
    std::printf("after undoing them: result %s x %s px; %s\n",
                qPrintable(form.Label1[2]->Caption()), qPrintable(form.Label1[4]->Caption()),
                qPrintable(memory()));
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const Timing t = timed(form, [&] { keyIn(form.window(), Qt::Key_Y, Qt::ControlModifier); });
        redone.push_back(t.click + t.repaint);
    }
    summary("redo (Ctrl+Y)", redone);
    std::printf("after redoing them: result %s x %s px; %s\n",
                qPrintable(form.Label1[2]->Caption()), qPrintable(form.Label1[4]->Caption()),
                qPrintable(memory()));
    form.Combo1->setCurrentIndex(0);
}

// Waits for the readout, and for the preview to show its copy when one is open.
void caughtUp(Form1& form) {
    while (form.Estimating() ||
           (form.Preview() != nullptr && form.Preview()->Shown().pixels.isEmpty() &&
            form.Preview()->Shown().failure.isEmpty())) {
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    QApplication::processEvents();
}

// The whole picture as the result at a preset; with `preview`, the preview open (opened once
// the readout has caught up, the first time), each of its views shown and compared.
void atPreset(Form1& form, int preset, const char* name, bool preview) {
    form.Command8->click();  // the whole picture
    QElapsedTimer t;
    t.start();
    form.Combo1->setCurrentIndex(preset);
    emit form.Combo1->activated(preset);
    caughtUp(form);
    std::printf("%-34s %8.1f ms   result %s x %s px; %s; %s\n", name, msSince(t),
                qPrintable(form.Label1[2]->Caption()), qPrintable(form.Label1[4]->Caption()),
                qPrintable(form.Label3->Caption()), qPrintable(memory()));
    if (!preview) {
        return;
    }
    if (form.Preview() == nullptr) {
        t.restart();
        form.Command17->click();
        form.Preview()->resize(900, 720);
        caughtUp(form);
        std::printf("  preview opened, shown after %.1f ms: %s\n", msSince(t),
                    qPrintable(memory()));
    }
    lanxi::CopyPreview* shown = form.Preview();
    const lanxi::StdPicture& copy = shown->Shown().pixels;
    std::printf("  preview: copy %d x %d px (%.1f MB of pixels)\n", copy.width(), copy.height(),
                double(copy.image().sizeInBytes()) / (1 << 20));
    lanxi::PreviewCanvas* canvas = shown->Canvas();
    for (const bool fitted : {false, true}) {
        canvas->setView(fitted ? lanxi::PreviewCanvas::View::Fit
                               : lanxi::PreviewCanvas::View::Actual);
        t.restart();
        canvas->viewport()->repaint();
        const double shown = msSince(t);
        t.restart();
        canvas->setComparing(true);
        canvas->viewport()->repaint();
        const double compared = msSince(t);
        canvas->setComparing(false);
        QApplication::processEvents();
        std::printf("  %-32s shown %6.1f ms, compared %6.1f ms; %s\n",
                    fitted ? "fitted to the window" : "at 100 %", shown, compared,
                    qPrintable(memory()));
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QTemporaryDir tmp;
    BenchUi ui;
    lanxi::SetUi(&ui);

    QStringList args = app.arguments().mid(1);
    const bool readout = !args.removeAll(QStringLiteral("--no-readout"));
    const bool steps = args.removeAll(QStringLiteral("--steps")) > 0;
    const bool presets = args.removeAll(QStringLiteral("--presets")) > 0;
    const bool preview = args.removeAll(QStringLiteral("--preview")) > 0;
    if (!args.isEmpty()) {
        ui.path = args.first();
    } else {
        ui.path = tmp.filePath(QStringLiteral("photo.jpg"));
        if (!(presets ? writePhotoLike(ui.path, 6000, 4000)
                      : writePhotoLike(ui.path, 4480, 3360))) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(ui.path));
            return 1;
        }
    }
    std::printf("picture: %s (%lld bytes)\n", qPrintable(ui.path),
                static_cast<long long>(QFile(ui.path).size()));
    std::printf("start: %s\n", qPrintable(memory()));

    Form1 form;
    form.Show();
    if (!readout) {
        QObject::disconnect(form.Picture1, &lanxi::PictureFrame::DrawingChanged, &form, nullptr);
    }
    QApplication::processEvents();
    PaintCounter painted;
    form.Picture1->installEventFilter(&painted);

    Timing open = timed(form, [&] { form.Command5->click(); });
    if (form.Picture2->Picture().isEmpty()) {
        std::fprintf(stderr, "the picture did not open\n");
        return 1;
    }
    std::printf("opened %d x %d px (%.1f MP); %s\n", form.Picture2->Picture().width(),
                form.Picture2->Picture().height(),
                form.Picture2->Picture().width() * double(form.Picture2->Picture().height()) / 1e6,
                qPrintable(memory()));
    QElapsedTimer t;
    t.start();
    form.window()->repaint();
    open.repaint = msSince(t);
    report("open (repaint: whole window)", open, form);
    if (steps) {
        twentySteps(form);
        lanxi::SetUi(nullptr);
        return 0;
    }
    if (presets) {
        atPreset(form, 1, "article preset", preview);
        atPreset(form, 4, "identity card preset", preview);
        lanxi::SetUi(nullptr);
        return 0;
    }

    report("reset", timed(form, [&] { form.Command8->click(); }), form);
    for (int i = 1; i <= 10; ++i) {
        const Timing z = timed(form, [&] { form.Command1->click(); });
        report(qPrintable(QStringLiteral("zoom %1").arg(i)), z, form);
    }
    std::printf("after ten zooms: %s\n", qPrintable(memory()));
    for (int i = 1; i <= 3; ++i) {
        report(qPrintable(QStringLiteral("shrink %1").arg(i)),
               timed(form, [&] { form.Command2->click(); }), form);
    }
    form.Text1->setText(QStringLiteral("700"));
    report("fixed width 700 (first strong cut)", timed(form, [&] { form.Command1->click(); }),
           form);
    report("fixed width 700 again", timed(form, [&] { form.Command2->click(); }), form);
    form.Text1->setText(QStringLiteral("0"));
    form.Text2->setText(QStringLiteral("210"));
    report("fixed height 210", timed(form, [&] { form.Command1->click(); }), form);
    form.Text1->setText(QStringLiteral("3000"));
    form.Text2->setText(QStringLiteral("0"));
    report("fixed width 3000", timed(form, [&] { form.Command1->click(); }), form);
    form.Text1->setText(QStringLiteral("0"));
    for (int i = 1; i <= 12; ++i) {
        const Timing s = timed(form, [&] { form.Command2->click(); });
        if (i == 12) {
            report("shrink to a small frame", s, form);
        }
    }
    report("reset", timed(form, [&] { form.Command8->click(); }), form);

    // A crop drag across most of the picture.
    lanxi::PictureFrame* left = form.Picture2;
    const QPoint from(100, 80);
    const QPoint to(left->width() - 200, left->height() - 150);
    mouse(left, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    std::vector<double> moves;
    for (int i = 1; i <= 40; ++i) {
        const QPoint at = from + (to - from) * i / 40;
        t.restart();
        mouse(left, QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton);
        moves.push_back(msSince(t));
    }
    std::sort(moves.begin(), moves.end());
    std::printf("%-34s median %6.1f  max %6.1f   (each move repaints the left frame)\n",
                "crop move", moves[moves.size() / 2], moves.back());
    const Timing release = timed(
        form, [&] { mouse(left, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton); });
    std::printf("%-34s click %8.1f  repaint %6.1f  total %8.1f   cut %d x %d px; %s\n",
                "crop release", release.click, release.repaint, release.click + release.repaint,
                form.Picture1->Picture().width(), form.Picture1->Picture().height(),
                qPrintable(memory()));
    report("first zoom after the crop", timed(form, [&] { form.Command1->click(); }), form);
    for (int i = 2; i <= 10; ++i) {
        const Timing z = timed(form, [&] { form.Command1->click(); });
        if (i == 10) {
            report("zoom 10 after the crop", z, form);
        }
    }
    // The first strong reduction of a picture builds its averaged reductions once; repeat it
    // on fresh loads ("打开图片" reads the file again) for a steadier figure.
    std::vector<double> firstCuts;
    for (int i = 0; i < 5; ++i) {
        form.Text1->setText(QStringLiteral("0"));
        form.Command5->click();
        form.Command8->click();
        QApplication::processEvents();
        form.Text1->setText(QStringLiteral("700"));
        const Timing c = timed(form, [&] { form.Command1->click(); });
        firstCuts.push_back(c.click + c.repaint);
    }
    std::sort(firstCuts.begin(), firstCuts.end());
    std::printf("%-34s median %6.1f  min %6.1f  max %6.1f   (5 fresh loads)\n",
                "first strong cut, click + repaint", firstCuts[2], firstCuts[0], firstCuts[4]);
    form.Text1->setText(QStringLiteral("0"));
    form.Command8->click();
    for (int i = 1; i <= 10; ++i) {
        form.Command1->click();
    }

    std::printf("right frame: %ld paint events, %.1f Mpx painted in all\n", painted.events,
                double(painted.pixels) / 1e6);
    t.restart();
    while (form.Estimating()) {
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    std::printf("readout %s after %.0f ms: %s\n", readout ? "caught up" : "disconnected",
                msSince(t), qPrintable(form.Label3->Caption()));
    std::printf("before the full render: %s%s\n", qPrintable(memory()), qPrintable(history(form)));
    t.restart();
    const lanxi::StdPicture whole = form.Picture1->Image();
    std::printf("%-34s %8.1f ms   %d x %d px; %s\n", "full render (what a save reads)", msSince(t),
                whole.width(), whole.height(), qPrintable(memory()));
    lanxi::SetUi(nullptr);
    return 0;
}
