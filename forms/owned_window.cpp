#include "forms/owned_window.h"

#include <QKeyEvent>

namespace lanxi {

OwnedWindow::OwnedWindow(QWidget* owner) : QWidget(owner, Qt::Window) {
    setAttribute(Qt::WA_DeleteOnClose);
}

void OwnedWindow::Bring() {
    show();
    raise();
    activateWindow();
}

void OwnedWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace lanxi
