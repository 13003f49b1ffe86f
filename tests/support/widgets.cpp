#include "tests/support/widgets.h"

#include <QTest>

namespace lanxi::test {

QStringList TabOrder(QWidget* first, int count) {
    QStringList names;
    QWidget* w = first;
    while (w != nullptr && names.size() < count) {
        names << w->objectName();
        do {
            w = w->nextInFocusChain();
        } while (w != first && !(w->focusPolicy() & Qt::TabFocus));
        if (w == first) {
            break;
        }
    }
    return names;
}

QRect TwipsOf(const QWidget* control) {
    const QRect r = control->geometry();
    return QRect(r.x() * 15, r.y() * 15, r.width() * 15, r.height() * 15);
}

void Click(QPushButton* button) {
    QTest::mouseClick(button, Qt::LeftButton);
}

}  // namespace lanxi::test
