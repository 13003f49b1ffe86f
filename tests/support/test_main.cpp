#include <gtest/gtest.h>

#include <QApplication>

#include "app/identity.h"

namespace {

QtMessageHandler qtHandler = nullptr;

// The offscreen platform cannot raise a window, and says so each time a window is shown.
void quietAboutRaise(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (!text.startsWith(QLatin1String("This plugin does not support raise()"))) {
        qtHandler(type, context, text);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    qtHandler = qInstallMessageHandler(quietAboutRaise);
    lanxi::SetUpProgramLook();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
