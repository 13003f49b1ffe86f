#pragma once

#include <QWidget>

#include "forms/controls.h"

class QLabel;
class QPushButton;

namespace lanxi {

// A window of its own that follows the window that opened it: above it, minimised and closed
// with it, modeless. Escape closes it as its close box does, and it is deleted when closed.
class OwnedWindow : public QWidget {
    Q_OBJECT
  public:
    explicit OwnedWindow(QWidget* owner);

    // Shows the window, or brings it back on top with the focus when it is open already.
    void Bring();

  protected:
    void keyPressEvent(QKeyEvent* event) override;

    // Its controls, as the designed windows' behave. A push button: pressed by Space or Enter
    // when it has the focus, never by Enter elsewhere.
    QPushButton* button(const QString& caption, const char* name);
    // A readout: a label that readers hear by `accessibleName` with what it shows.
    VbLabel* readout(const char* name, const QString& accessibleName);
    // A line on what the keys and the mouse do there.
    QLabel* hint(const QString& text);
};

}  // namespace lanxi
