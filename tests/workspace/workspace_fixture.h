#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QTest>

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

    // The mouse on a frame, at a point of its inside (pixels), as the window system delivers
    // it: a press or release names its button, a move the buttons held during it. (QTest's
    // own helpers would take the point (0, 0) for the frame's centre.)
    static void mouse(QWidget* frame, QEvent::Type type, QPoint at, Qt::MouseButton button,
                      Qt::MouseButtons held) {
        QMouseEvent e(type, QPointF(at), frame->mapToGlobal(QPointF(at)), button, held,
                      Qt::NoModifier);
        QApplication::sendEvent(frame, &e);
    }
    static void press(QWidget* frame, QPoint at, Qt::MouseButton button = Qt::LeftButton) {
        mouse(frame, QEvent::MouseButtonPress, at, button, button);
    }
    static void release(QWidget* frame, QPoint at, Qt::MouseButton button = Qt::LeftButton) {
        mouse(frame, QEvent::MouseButtonRelease, at, button, Qt::NoButton);
    }
    static void move(QWidget* frame, QPoint at, Qt::MouseButtons held = Qt::LeftButton) {
        mouse(frame, QEvent::MouseMove, at, Qt::NoButton, held);
    }
    // A left-button drag on a frame from one point to another, then the release there.
    static void drag(QWidget* frame, QPoint from, QPoint to) {
        press(frame, from);
        move(frame, (from + to) / 2);
        move(frame, to);
        release(frame, to);
    }
    // A key pressed and released on the keyboard: it goes to the control with the focus.
    void key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWidget* focus = form.window()->focusWidget();
        QTest::keyClick(focus != nullptr ? focus : form.window(), Qt::Key(key), modifiers);
    }
    // Tab until the control has the focus; false when a whole round of the window misses it.
    bool tabTo(QWidget* control) {
        for (int i = 0; i < 40 && form.window()->focusWidget() != control; ++i) {
            key(Qt::Key_Tab);
        }
        return form.window()->focusWidget() == control;
    }
    // Sets the two fixed-size inputs as the user types them.
    void setInputs(const QString& width, const QString& height) {
        form.Text1->setText(width);
        form.Text2->setText(height);
    }
    // The right frame's size in twips.
    QSizeF resultTwips() const { return QSizeF(form.Picture1->Width(), form.Picture1->Height()); }
    // The two size readouts.
    QStringList readouts() const { return {form.Label1[2]->Caption(), form.Label1[4]->Caption()}; }

    ScriptedUi ui;
    TempDir dir;
    Form1 form;
};

}  // namespace lanxi::test
