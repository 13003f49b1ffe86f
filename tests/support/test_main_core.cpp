#include <gtest/gtest.h>

#include <QGuiApplication>

// The main of the test programs of the folders below the windows: a GUI application (pictures
// are painted with QPainter) without Qt Widgets, as the command line runs.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
