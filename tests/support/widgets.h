#pragma once

#include "tests/support/printers.h"

#include <QMimeData>
#include <QPushButton>
#include <QRect>
#include <QStringList>
#include <QWidget>
#include <span>

#include "forms/controls.h"
#include "forms/form.h"

namespace lanxi::test {

// The names of the controls the Tab key visits, starting at `first`, `count` of them.
QStringList TabOrder(QWidget* first, int count);
// A control's rectangle in twips (15 per pixel), relative to its parent's inside.
QRect TwipsOf(const QWidget* control);
// Checks a loaded window against its design table: every control is there by its name, in its
// container (the window or a frame's inside), at its rectangle (an autosized label at its
// place), with its caption, enabled and visible state, border, colour, tooltip and what readers
// call it, and Tab visits the controls in the design's order.
void ExpectBuiltAsDesigned(const Form& form, std::span<const ControlDesign> design);
// Clicks a push button with the mouse, as a user would (nothing happens when it is disabled).
void Click(QPushButton* button);
// Drags data from another program onto a widget and drops it at a point, as the window system
// delivers it (the enter, a move, the drop); true when the widget took the drop.
bool Drop(QWidget* widget, QPoint at, const QMimeData* data);

}  // namespace lanxi::test
