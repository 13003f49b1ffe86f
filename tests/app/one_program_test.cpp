// One program for the user's files: what a start asks for, and later starts handing their
// files to the program that runs, also the real program started as a file manager starts it.
#include "tests/support/printers.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <future>
#include <memory>
#include <thread>

#include "app/application.h"
#include "app/one_program.h"
#include "tests/support/images.h"
#include "tests/support/scripted_ui.h"

namespace lanxi {
namespace {

using Window = StartRequest::Window;

QString whole(const QString& path) {
    return QDir::toNativeSeparators(QDir::current().absoluteFilePath(path));
}

StartRequest asking(Window window, SitePreset preset, const QStringList& paths) {
    StartRequest r;
    r.window = window;
    r.preset = preset;
    r.paths = paths;
    return r;
}

StartRequest refused(const QString& error) {
    StartRequest r;
    r.error = error;
    return r;
}

TEST(StartArguments, NameAWindowAndPathsMadeWhole) {
    test::TempDir dir;
    const QString absolute = QDir::toNativeSeparators(dir.file(QStringLiteral("b.jpg")));
    const std::pair<QStringList, StartRequest> cases[] = {
        {{}, {}},
        // "Open with": names alone are names, whatever they look like.
        {{"照片 1.jpg", absolute, "--preset"},
         asking(Window::Workspace, SitePreset::Unlimited,
                {whole("照片 1.jpg"), absolute, whole("--preset")})},
        {{"--workspace", "相册/"},
         asking(Window::Workspace, SitePreset::Unlimited, {whole("相册")})},
        {{"--workspace"}, asking(Window::Workspace, SitePreset::Unlimited, {})},
        {{"--batch", "--preset", "avatar-210", "a.jpg", absolute},
         asking(Window::Batch, SitePreset::Avatar210, {whole("a.jpg"), absolute})},
        {{"--batch", "--preset=id-card", "--", "--preset"},
         asking(Window::Batch, SitePreset::IdCard, {whole("--preset")})},
        {{"--batch"}, asking(Window::Batch, SitePreset::Unlimited, {})},
        {{"--batch", "--preset", "huge"}, refused(QStringLiteral("不认识的预设“huge”"))},
        {{"--batch", "--preset"}, refused(QStringLiteral("不认识的预设“”"))},
        // A right-click never writes over the pictures.
        {{"--batch", "--overwrite", "a.jpg"}, refused(QStringLiteral("不认识的选项“--overwrite”"))},
        {{"--workspace", "--preset", "article"}, refused(QStringLiteral("不认识的选项“--preset”"))},
        {{"--batch", ""}, refused(QStringLiteral("文件名不能是空的"))},
    };
    for (const auto& [arguments, wanted] : cases) {
        const StartRequest got = ParseStart(arguments);
        EXPECT_EQ(got.error.isEmpty() ? got : refused(got.error), wanted) << arguments.join(' ');
    }
}

// A runtime and temporary folder of the test's own, for the test and the programs it starts:
// they find each other there, never a program the user runs.
class OwnPlace {
  public:
    OwnPlace() {
        for (const char* name : kNames) {
            saved_.push_back(qgetenv(name));
            qputenv(name, QFile::encodeName(QDir::toNativeSeparators(dir_.path())));
        }
    }
    ~OwnPlace() {
        for (std::size_t i = 0; i < std::size(kNames); ++i) {
            qputenv(kNames[i], saved_[i]);
        }
    }
    QString name() const { return UserInstanceName(QStringLiteral("lanxi-pictool")); }

    // Starts the real program as a file manager does, with the offscreen platform.
    std::unique_ptr<QProcess> start(const QStringList& arguments) const {
        auto program = std::make_unique<QProcess>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        program->setProcessEnvironment(environment);
        program->start(QStringLiteral(LANXI_PROGRAM), arguments);
        return program;
    }

  private:
    static constexpr const char* kNames[] = {"XDG_RUNTIME_DIR", "TMP", "TEMP"};
    // A name of plain letters: Windows reads the variables in its own code page, in which the
    // test folders' Chinese names would not survive.
    QTemporaryDir dir_{QDir::tempPath() + QStringLiteral("/lanxi-place-XXXXXX")};
    std::vector<QByteArray> saved_;
};

bool ended(const std::unique_ptr<QProcess>& program) {
    return program->state() == QProcess::NotRunning;
}

// Later starts that name files hand them to the program that serves and end at once (status
// 0; 2 with arguments it cannot read); the program gathers the requests that came within a
// moment into one for each window and preset, and its windows do them: the batch window lists
// the files and compresses them with the preset, the workspace opens its picture.
TEST(OneProgram, LaterStartsHandTheirFilesToTheProgramThatRuns) {
    test::ScriptedUi ui;
    OwnPlace place;
    test::TempDir dir;
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) {
        test::WriteJpeg(test::PhotoImage(640, 480), dir.file(QString::fromUtf8(name)));
    }
    test::WriteBmp(test::SmoothImage(400, 300), dir.file(QStringLiteral("图 d.bmp")));
    // A moment long enough for starts made together on a busy machine.
    OneProgram one(place.name(), {.moment = 4000});
    ASSERT_EQ(one.Join({}), OneProgram::Outcome::Serving);
    Application program;
    std::vector<StartRequest> gathered;
    QObject::connect(&one, &OneProgram::gathered, &program, [&](const StartRequest& r) {
        gathered.push_back(r);
        program.Handle(r);
    });

    std::unique_ptr<QProcess> starts[] = {
        place.start({"--batch", "--preset", "avatar-310", dir.file(QStringLiteral("a.jpg"))}),
        place.start({"--batch", "--preset", "avatar-310", dir.file(QStringLiteral("b.jpg")),
                     dir.file(QStringLiteral("图 d.bmp"))}),
        place.start({dir.file(QStringLiteral("c.jpg"))}),
        place.start({"--batch", "--preset", "avatar-999", dir.file(QStringLiteral("c.jpg"))}),
    };
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return std::all_of(std::begin(starts), std::end(starts), ended); }, 60'000));
    for (const auto& start : starts) {
        EXPECT_EQ(start->exitStatus(), QProcess::NormalExit);
    }
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(starts[i]->exitCode(), 0) << starts[i]->readAllStandardError().toStdString();
    }
    // Arguments it cannot read end a start at once, with the reason and the usage.
    EXPECT_EQ(starts[3]->exitCode(), 2);
    // Windows ends the console's lines with \r\n.
    EXPECT_TRUE(QString::fromUtf8(starts[3]->readAllStandardError())
                    .replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
                    .startsWith(QStringLiteral("lanxi-pictool：不认识的预设“avatar-999”\n用法：")));
    EXPECT_TRUE(QTest::qWaitFor([&] { return ui.messages.size() >= 2; }, 60'000));

    ASSERT_EQ(gathered.size(), 2u);
    const auto batch = std::find_if(gathered.begin(), gathered.end(), [](const StartRequest& r) {
        return r.window == Window::Batch;
    });
    ASSERT_NE(batch, gathered.end());
    EXPECT_EQ(batch->preset, SitePreset::Avatar310);
    QStringList rows;
    for (int i = 0; i < program.form2().List1->ListCount(); ++i) {
        rows << program.form2().List1->Rows().at(i).path();
    }
    rows.sort();
    EXPECT_EQ(rows, QStringList({QDir::toNativeSeparators(dir.file(QStringLiteral("a.jpg"))),
                                 QDir::toNativeSeparators(dir.file(QStringLiteral("b.jpg"))),
                                 QDir::toNativeSeparators(dir.file(QStringLiteral("图 d.bmp")))}));
    EXPECT_EQ(program.form2().Preset(), SitePreset::Avatar310);
    EXPECT_TRUE(std::any_of(ui.messages.begin(), ui.messages.end(), [](const auto& m) {
        return m.text.startsWith(QStringLiteral("文件压缩并保存完毕！"));
    }));
    for (const char* copy : {"a_YS.jpg", "b_YS.jpg", "图 d_YS.jpg"}) {
        EXPECT_TRUE(QFileInfo::exists(dir.file(QString::fromUtf8(copy)))) << copy;
    }
    EXPECT_EQ(program.form1().OpenedFileName,
              QDir::toNativeSeparators(dir.file(QStringLiteral("c.jpg"))));
}

// A program that was killed leaves its socket behind (on Linux): the next start serves all the
// same, and takes what a later start hands over. A program that takes the connection and never
// answers, or a start that holds the lock and never listens, keeps a start only for its
// timeouts: it then goes on alone.
TEST(OneProgram, ADeadOrHungProgramNeverKeepsAStartFromRunning) {
    OwnPlace place;
    test::TempDir dir;
    const StartRequest request =
        asking(Window::Batch, SitePreset::Unlimited, {QDir::toNativeSeparators(dir.file("a.jpg"))});

    const std::unique_ptr<QProcess> first = place.start({"--workspace"});
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            QLocalSocket probe;
            probe.connectToServer(place.name());
            return probe.waitForConnected(100);
        },
        60'000));
    first->kill();
    first->waitForFinished();
#ifndef Q_OS_WIN
    EXPECT_TRUE(QFileInfo::exists(place.name())) << "the killed program's socket";
#endif
    OneProgram one(place.name(), {.moment = 100});
    EXPECT_EQ(one.Join(request), OneProgram::Outcome::Serving);
    std::vector<StartRequest> gathered;
    QObject::connect(&one, &OneProgram::gathered,
                     [&](const StartRequest& r) { gathered.push_back(r); });
    const std::unique_ptr<QProcess> later = place.start({"--workspace", dir.path()});
    EXPECT_TRUE(QTest::qWaitFor([&] { return ended(later) && !gathered.empty(); }, 60'000));
    EXPECT_EQ(later->exitCode(), 0);
    ASSERT_EQ(gathered.size(), 1u);
    EXPECT_EQ(gathered[0].window, Window::Workspace);
    EXPECT_EQ(gathered[0].paths, QStringList({QDir::toNativeSeparators(dir.path())}));

    // Hung: it holds the lock and listens, but its events are never handled. The lock is held
    // by another thread, as by another program: on Windows a thread that holds it may take it
    // again.
    const QString hung = place.name() + QStringLiteral("-hung");
    std::promise<bool> taken;
    std::promise<void> done;
    std::thread holder([&] {
        InstanceLock held(hung);
        taken.set_value(held.TryLock());
        done.get_future().wait();
    });
    EXPECT_TRUE(taken.get_future().get());
    QLocalServer listening;
    EXPECT_TRUE(listening.listen(hung));
    OneProgram waiting(hung, {.answer = 500, .election = 500});
    EXPECT_EQ(waiting.Join(request), OneProgram::Outcome::Alone);
    // About to serve, but it never listens.
    listening.close();
    EXPECT_EQ(waiting.Join(request), OneProgram::Outcome::Alone);
    done.set_value();
    holder.join();
    EXPECT_FALSE(waiting.IsServing());
}

}  // namespace
}  // namespace lanxi
