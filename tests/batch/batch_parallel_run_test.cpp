// The window's run on several workers, on real files: rows that share a file keep their list
// order, and the files end exactly as a run of one row after the other leaves them.
#include <QEventLoop>
#include <QFileInfo>
#include <QRegularExpression>

#include "batch/batch_progress.h"
#include "codec/loader.h"
#include "compress/batch_run.h"
#include "tests/batch/batch_fixture.h"
#include "tests/support/jpeg_info.h"

namespace lanxi {
namespace {

using test::ReadBytes;

const QString kDone = QStringLiteral("文件压缩并保存完毕！");
// More workers than this machine has cores, so that rows overlap in every possible way.
constexpr int kWorkers = 4;

using test::Tinted;

const QRgb kRed = qRgb(230, 30, 30);
const QRgb kBlue = qRgb(30, 30, 230);

// A large picture takes long, so a row after it would overtake it if nothing held it back.
QImage Slow(QRgb tint) {
    return Tinted(tint, 1600, 1200);
}
QImage Quick(QRgb tint) {
    return Tinted(tint, 64, 48);
}

// The size of the picture in a file and whether red or blue rules it.
struct Seen {
    QSize size;
    char colour = '?';
    friend bool operator==(const Seen&, const Seen&) = default;
    friend std::ostream& operator<<(std::ostream& os, const Seen& s) {
        return os << s.size.width() << "x" << s.size.height() << " " << s.colour;
    }
};
Seen Look(const QString& path) {
    const QImage image = LoadPicture(path).image();
    const QRgb centre = image.pixel(image.width() / 2, image.height() / 2);
    return {image.size(), qRed(centre) > qBlue(centre) + 60   ? 'r'
                          : qBlue(centre) > qRed(centre) + 60 ? 'b'
                                                              : '?'};
}
const Seen kSlowRed{{1600, 1200}, 'r'};
const Seen kQuickBlue{{64, 48}, 'b'};

class ParallelRunTest : public test::BatchTest {
  protected:
    // Makes a fresh directory below the test's one and puts the files in it.
    QString scene(const QString& name, const std::vector<std::pair<QString, QImage>>& files) {
        const QString path = dir.file(name);
        EXPECT_TRUE(QDir().mkpath(path));
        for (const auto& [file, picture] : files) {
            if (file.endsWith(QStringLiteral("bmp"), Qt::CaseInsensitive)) {
                test::WriteBmp(picture, path + QLatin1Char('/') + file);
            } else {
                test::WriteJpeg(picture, path + QLatin1Char('/') + file);
            }
        }
        return path;
    }
    // Runs the rows, picked in `path`, on the given number of workers; the closing message.
    QString runIn(const QString& path, const QStringList& rows, bool overwrite, int workers) {
        form.Command4->click();
        add(path, rows);
        form.Check1->setChecked(overwrite);
        form.RunWorkers = workers;
        return run();
    }
    // Every file of a directory with its content.
    static std::map<QString, QByteArray> Contents(const QString& path) {
        std::map<QString, QByteArray> files;
        for (const QString& name : QDir(path).entryList(QDir::Files)) {
            files[name] = ReadBytes(path + QLatin1Char('/') + name);
        }
        return files;
    }
    // Runs the rows in two copies of one scene, on one worker and on several, and expects the
    // same closing message and the same files, byte for byte. Returns the directory of the run
    // on several workers.
    QString runBothWays(const std::vector<std::pair<QString, QImage>>& files,
                        const QStringList& rows, bool overwrite, const QString& message) {
        const QString tag = overwrite ? QStringLiteral("覆盖") : QStringLiteral("不覆盖");
        const QString one = scene(QStringLiteral("一个-") + tag, files);
        const QString several = scene(QStringLiteral("多个-") + tag, files);
        EXPECT_EQ(runIn(one, rows, overwrite, 1), message);
        EXPECT_EQ(runIn(several, rows, overwrite, kWorkers), message);
        const auto inOrder = Contents(one);
        const auto sideBySide = Contents(several);
        EXPECT_EQ(sideBySide.size(), inOrder.size());
        for (const auto& [name, bytes] : inOrder) {
            const auto it = sideBySide.find(name);
            EXPECT_TRUE(it != sideBySide.end() && it->second == bytes) << name.toStdString();
        }
        return several;
    }
};

QString Refused(int total, const QStringList& failures) {
    return QStringLiteral("共 %1 个文件，已压缩并保存 %2 个。\n\n以下 %3 个文件没有保存：\n%4")
        .arg(total)
        .arg(total - failures.size())
        .arg(failures.size())
        .arg(failures.join(QLatin1Char('\n')));
}

// Rows that would write a file another row writes or reads are refused before anything runs,
// whichever rows are quick and slow; the rest leave every file as a run in list order does.
TEST_F(ParallelRunTest, RowsThatWouldWriteAnotherRowsFileAreRefusedAndTheRestRunAsInOrder) {
    const Seen quickRed{{64, 48}, 'r'};
    // Unticked: a.jpg and a.bmp both go to a_YS.jpg. Ticked: a.bmp goes to a.jpg, another row's
    // source. The earlier row is slow, so the later one would overtake it.
    std::vector<std::pair<QString, QImage>> files = {
        {QStringLiteral("a.jpg"), Slow(kBlue)},   {QStringLiteral("m1.jpg"), Quick(kBlue)},
        {QStringLiteral("m2.jpg"), Quick(kBlue)}, {QStringLiteral("a.bmp"), Quick(kRed)},
        {QStringLiteral("m3.jpg"), Quick(kBlue)},
    };
    QStringList rows = {"a.jpg", "m1.jpg", "m2.jpg", "a.bmp", "m3.jpg"};
    QString path = runBothWays(
        files, rows, false,
        Refused(5, {QStringLiteral("a.bmp：和“a.jpg”要写到同一个文件“a_YS.jpg”，为免互相覆盖，"
                                   "没有压缩这一个")}));
    EXPECT_EQ(Look(path + QStringLiteral("/a_YS.jpg")), (Seen{{1600, 1200}, 'b'}));
    path = runBothWays(
        files, rows, true,
        Refused(5, {QStringLiteral("a.bmp：会覆盖列表中的另一个文件“a.jpg”，没有压缩")}));
    EXPECT_EQ(Look(path + QStringLiteral("/a.jpg")), (Seen{{1600, 1200}, 'b'}));
    EXPECT_EQ(Look(path + QStringLiteral("/a.bmp")), quickRed) << "a BMP source stays";

    // Unticked: a.jpg would write a_YS.jpg, which the third row reads. Ticked: b.bmp would
    // write b.jpg, which the fifth row reads and replaces.
    files = {
        {QStringLiteral("a.jpg"), Slow(kRed)},      {QStringLiteral("m1.jpg"), Quick(kBlue)},
        {QStringLiteral("a_YS.jpg"), Quick(kBlue)}, {QStringLiteral("b.bmp"), Slow(kRed)},
        {QStringLiteral("b.jpg"), Quick(kBlue)},
    };
    rows = {"a.jpg", "m1.jpg", "a_YS.jpg", "b.bmp", "b.jpg"};
    path = runBothWays(
        files, rows, false,
        Refused(5, {QStringLiteral("a.jpg：会覆盖列表中的另一个文件“a_YS.jpg”，没有压缩"),
                    QStringLiteral("b.jpg：和“b.bmp”要写到同一个文件“b_YS.jpg”，为免互相覆盖，"
                                   "没有压缩这一个")}));
    EXPECT_EQ(Look(path + QStringLiteral("/a_YS_YS.jpg")), kQuickBlue);
    EXPECT_EQ(Look(path + QStringLiteral("/a_YS.jpg")), kQuickBlue);
    path = runBothWays(
        files, rows, true,
        Refused(5, {QStringLiteral("b.bmp：会覆盖列表中的另一个文件“b.jpg”，没有压缩")}));
    EXPECT_EQ(Look(path + QStringLiteral("/b.jpg")), kQuickBlue);
    EXPECT_EQ(Look(path + QStringLiteral("/a.jpg")), kSlowRed);
}

TEST_F(ParallelRunTest, ProgressCountsEveryRowOnceAndNamesAFileStillInFlight) {
    std::vector<std::pair<QString, QImage>> files;
    QStringList names;
    for (int i = 0; i < 8; ++i) {
        names << QStringLiteral("图%1.jpg").arg(i);
        files.emplace_back(names.back(), i % 3 == 0 ? Slow(kRed) : Quick(kBlue));
    }
    const QString path = scene(QStringLiteral("进度"), files);

    QStringList counts;
    int mostInFlight = 0;
    bool namesAFileInFlight = true;
    QObject::connect(&form, &Form2::runStarted, &form, [&](BatchRun* run) {
        auto* progress = form.window()->findChild<BatchProgress*>();
        const auto check = [&, run, progress] {
            mostInFlight = std::max(mostInFlight, run->InFlight());
            const QString shown = progress->findChild<QLabel*>(QStringLiteral("file"))->toolTip();
            bool found = shown.isEmpty() && run->InFlight() == 0;
            for (std::size_t i = 0; i < run->jobs().size(); ++i) {
                found = found || (run->jobs()[i].source.endsWith(QDir::separator() + shown) &&
                                  !run->results()[i].has_value());
            }
            namesAFileInFlight = namesAFileInFlight && found;
        };
        QObject::connect(run, &BatchRun::rowStarted, progress, check);
        QObject::connect(run, &BatchRun::rowFinished, progress, [&, progress, check] {
            counts << progress->findChild<QLabel*>(QStringLiteral("count"))->text();
            check();
        });
    });

    EXPECT_EQ(runIn(path, names, false, kWorkers), kDone);
    QStringList expected;
    for (int i = 1; i <= 8; ++i) {
        expected << QStringLiteral("已完成 %1 / 8 个文件").arg(i);
    }
    EXPECT_EQ(counts, expected);
    EXPECT_EQ(mostInFlight, kWorkers);
    EXPECT_TRUE(namesAFileInFlight);
}

TEST_F(ParallelRunTest, AStopCutsTheRowsInFlightShortAndTheMessageCountsWhatWasWritten) {
    std::vector<std::pair<QString, QImage>> files;
    QStringList names;
    for (int i = 0; i < 12; ++i) {
        names << QStringLiteral("p%1.jpg").arg(i);
        files.emplace_back(names.back(), i < 4 ? Slow(kRed) : Quick(kBlue));
    }
    const QString path = scene(QStringLiteral("停止"), files);
    int inFlightAtStop = -1;
    QObject::connect(&form, &Form2::runStarted, &form, [&](BatchRun* run) {
        QObject::connect(run, &BatchRun::rowFinished, &form, [&, run] {
            auto* progress = form.window()->findChild<BatchProgress*>();
            if (progress->findChild<QPushButton*>(QStringLiteral("stop"))->isEnabled()) {
                inFlightAtStop = run->InFlight();
                QTest::mouseClick(progress->findChild<QPushButton*>(QStringLiteral("stop")),
                                  Qt::LeftButton);
            }
        });
    });

    const QString message = runIn(path, names, false, kWorkers);
    // The first row to end stops the run; the others in flight end unfinished unless they were
    // done already, and write nothing, not even a temporary file.
    EXPECT_EQ(inFlightAtStop, kWorkers - 1);
    const QStringList written = QDir(path).entryList({QStringLiteral("*_YS.jpg")});
    EXPECT_GE(written.size(), 1);
    EXPECT_LE(written.size(), kWorkers);
    for (const QString& name : written) {
        EXPECT_EQ(Look(path + QLatin1Char('/') + name), kSlowRed) << name;
    }
    EXPECT_EQ(QDir(path).entryList(QDir::Files | QDir::Hidden).size(), 12 + written.size());
    EXPECT_EQ(message, QStringLiteral("压缩已停止。共 12 个文件，已压缩并保存 %1 个。\n"
                                      "另有 %2 个文件没有处理。")
                           .arg(written.size())
                           .arg(12 - written.size()));
}

}  // namespace
}  // namespace lanxi
