#pragma once

#include <gtest/gtest.h>

#include <QApplication>

#include "tests/support/images.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/widgets.h"
#include "workspace/form1.h"

namespace lanxi::test {

// A loaded workspace window with the dialogs scripted.
class WorkspaceTest : public ::testing::Test {
  protected:
    void SetUp() override { form.Show(); }
    void TearDown() override {
        form.Unload();
        QApplication::processEvents();
    }

    // Writes the picture as a BMP file in the test's directory and returns its path.
    QString pictureFile(const QImage& image, const QString& name = QStringLiteral("图片.bmp")) {
        const QString path = dir.file(name);
        WriteBmp(image, path);
        return path;
    }
    // Opens a file with "打开图片", answering the dialog with its path.
    void open(const QString& path) {
        ui.answer(path);
        Click(form.Command5);
    }
    // Opens a picture made by the test.
    void openPicture(const QImage& image) { open(pictureFile(image)); }

    ScriptedUi ui;
    TempDir dir;
    Form1 form;
};

}  // namespace lanxi::test
