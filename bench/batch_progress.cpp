// How soon the batch window's progress shows after "开始压缩并保存" on a long list: every file of
// the list is a row, and the click's handler plans the rows before the progress can show.
//   bench_batch_progress [ROWS] [DIRECTORY]
// Without DIRECTORY, ROWS (default 10000) small JPEG files are made in a temporary directory.
// The run is stopped as soon as its progress shows. Run it on Qt's offscreen platform
// (QT_QPA_PLATFORM=offscreen) or on a virtual screen.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "batch/batch_progress.h"
#include "batch/form2.h"
#include "forms/ui.h"

namespace {

class BenchUi : public lanxi::UserInterface {
  public:
    QString fileDialog(const lanxi::FileDialogRequest&) override { return {}; }
    void messageBox(const lanxi::MessageBoxRequest& request) override { last = request.text; }
    void openAddress(QWidget*, const QString&) override {}
    QString last;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int count = args.size() > 1 ? args.at(1).toInt() : 10'000;
    QTemporaryDir made;
    QString directory = args.size() > 2 ? args.at(2) : made.path();
    if (args.size() <= 2) {
        QImage picture(64, 48, QImage::Format_RGB32);
        picture.fill(qRgb(90, 140, 200));
        QByteArray jpeg;
        {
            QFile file(made.filePath(QStringLiteral("0.jpg")));
            file.open(QIODevice::WriteOnly);
            picture.save(&file, "JPEG");
        }
        jpeg = [&] {
            QFile file(made.filePath(QStringLiteral("0.jpg")));
            file.open(QIODevice::ReadOnly);
            return file.readAll();
        }();
        for (int i = 1; i < count; ++i) {
            QFile file(made.filePath(QStringLiteral("%1.jpg").arg(i)));
            file.open(QIODevice::WriteOnly);
            file.write(jpeg);
        }
    }
    directory = QDir::toNativeSeparators(directory);

    BenchUi ui;
    lanxi::SetUi(&ui);
    lanxi::Form2 form;
    form.Show();
    const QStringList names = QDir(directory).entryList({QStringLiteral("*.jpg")}, QDir::Files);
    for (const QString& name : names) {
        form.List1->AddItem({name, directory});
    }
    QApplication::processEvents();

    QElapsedTimer clock;
    double shownAfter = -1;
    // Polled from the event loop the run keeps going: the progress shows once the loop runs.
    QTimer poll;
    poll.setInterval(1);
    QObject::connect(&poll, &QTimer::timeout, &form, [&] {
        auto* progress = form.window()->findChild<lanxi::BatchProgress*>();
        if (progress != nullptr && progress->isVisible() && shownAfter < 0) {
            shownAfter = double(clock.nsecsElapsed()) / 1e6;
            progress->findChild<QPushButton*>(QStringLiteral("stop"))->click();
        }
    });
    poll.start();
    clock.start();
    form.Command1->click();
    const double ended = double(clock.nsecsElapsed()) / 1e6;
    std::printf(
        "rows %lld: the progress showed %.1f ms after the click; the stopped run ended "
        "after %.0f ms\n",
        static_cast<long long>(names.size()), shownAfter, ended);
    lanxi::SetUi(nullptr);
    return shownAfter >= 0 ? 0 : 1;
}
