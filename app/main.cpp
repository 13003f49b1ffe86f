#include <QApplication>
#include <QTextStream>
#include <cstdio>
#include <cstdlib>

#include "app/application.h"
#include "app/identity.h"
#include "app/one_program.h"
#include "compress/command_line.h"
#include "forms/remembered.h"

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

// Without a display Qt would print a stack of warnings and abort; one clear line is better.
bool displayAvailable() {
#if defined(Q_OS_LINUX) || defined(Q_OS_FREEBSD)
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform != nullptr && *platform != '\0') {
        return true;
    }
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 != nullptr && *x11 != '\0') || (wayland != nullptr && *wayland != '\0');
#else
    return true;
#endif
}

// A program built for the windows has no console of its own: its lines go to the console it
// was started from, unless they are redirected.
void useStartingConsole() {
#ifdef Q_OS_WIN
    if (::GetFileType(::GetStdHandle(STD_OUTPUT_HANDLE)) == FILE_TYPE_UNKNOWN &&
        ::AttachConsole(ATTACH_PARENT_PROCESS)) {
        std::freopen("CONOUT$", "w", stdout);
        std::freopen("CONOUT$", "w", stderr);
    }
    ::SetConsoleOutputCP(CP_UTF8);
#endif
}

// A command runs without any window or display, printing to the console.
int runCommand(int argc, char* argv[]) {
    useStartingConsole();
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    return lanxi::RunCommand(QCoreApplication::arguments().mid(1), out, err);
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc > 1 && lanxi::IsCommand({QString::fromLocal8Bit(argv[1])})) {
        return runCommand(argc, argv);
    }
    if (!displayAvailable()) {
        std::fprintf(stderr,
                     "lanxi-pictool: no display found (DISPLAY is not set); to run without a "
                     "screen use: xvfb-run -a ./run\n");
        return 2;
    }
    QApplication app(argc, argv);
    // Anything else on the command line names pictures to open ("Open with", files dropped on
    // the program's icon, a file manager's right-click entries). Qt's own options are gone from
    // arguments() by now.
    const lanxi::StartRequest request = lanxi::ParseStart(QApplication::arguments().mid(1));
    if (!request.error.isEmpty()) {
        useStartingConsole();
        QTextStream(stderr) << QStringLiteral("lanxi-pictool：%1\n").arg(request.error)
                            << lanxi::StartUsage();
        return 2;
    }
    // Files for the user's program that already runs go to it, and this start is done.
    lanxi::OneProgram one(lanxi::UserInstanceName(QStringLiteral("lanxi-pictool")));
    if (one.Join(request) == lanxi::OneProgram::Outcome::HandedOver) {
        return 0;
    }

    lanxi::SetUpProgramLook();
    // The windows remember the user's choices from one start to the next.
    lanxi::Remembered::UseUserSettings();
    lanxi::Application program;
    QObject::connect(&one, &lanxi::OneProgram::gathered, &program, &lanxi::Application::Handle);
    if (request.window == lanxi::StartRequest::Window::StartScreen) {
        program.Start();
    } else {
        // With those of other starts made at the same moment.
        one.Gather(request);
    }
    return QApplication::exec();
}
