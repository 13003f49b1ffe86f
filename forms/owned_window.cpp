#include "forms/owned_window.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

#include "forms/accessibility.h"

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

QPushButton* OwnedWindow::button(const QString& caption, const char* name) {
    auto* b = new QPushButton(caption, this);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    PressByEnter(b);
    return b;
}

VbLabel* OwnedWindow::readout(const char* name, const QString& accessibleName) {
    auto* label = new VbLabel(this);
    label->setObjectName(QLatin1String(name));
    label->setAccessibleName(accessibleName);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QLabel* OwnedWindow::hint(const QString& text) {
    auto* label = new QLabel(text, this);
    label->setObjectName(QStringLiteral("hint"));
    label->setWordWrap(true);
    return label;
}

}  // namespace lanxi
