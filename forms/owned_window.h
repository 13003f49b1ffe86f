#pragma once

#include <QWidget>

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
};

}  // namespace lanxi
