#pragma once

#include "tests/support/printers.h"

#include <QPushButton>
#include <QRect>
#include <QStringList>
#include <QWidget>

namespace lanxi::test {

// The names of the controls the Tab key visits, starting at `first`, `count` of them.
QStringList TabOrder(QWidget* first, int count);
// A control's rectangle in twips (15 per pixel), relative to its parent's inside.
QRect TwipsOf(const QWidget* control);
// Clicks a push button with the mouse, as a user would (nothing happens when it is disabled).
void Click(QPushButton* button);

}  // namespace lanxi::test
