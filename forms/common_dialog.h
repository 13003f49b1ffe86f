#pragma once

#include <QString>
#include <QWidget>
#include <cstdint>

namespace lanxi {

// The open/save dialog component. It keeps its properties from one showing to the next; the
// dialog itself runs through the user-interface seam (ui.h).
class CommonDialog {
  public:
    QString Filter;
    std::int32_t Flags = 0;
    QString FileName;  // after a show: the path chosen, or empty when cancelled

    void ShowOpen(QWidget* parent);
    void ShowSave(QWidget* parent);
};

}  // namespace lanxi
