#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "app/application.h"
#include "picture/look.h"

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

}  // namespace

int main(int argc, char* argv[]) {
    if (!displayAvailable()) {
        std::fprintf(stderr,
                     "lanxi-pictool: no display found (DISPLAY is not set); to run without a "
                     "screen use: xvfb-run -a ./run\n");
        return 2;
    }
    QApplication app(argc, argv);
    lanxi::SetUpProgramLook();

    lanxi::Application program;
    program.Start();
    return QApplication::exec();
}
