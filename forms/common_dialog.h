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
    // The folder the dialog opens in; empty: the dialog's own choice.
    QString InitDir;
    // With a name, the dialog opens in the folder of the file last chosen in a dialog of that
    // name, in this run or an earlier one (see Remembered), unless InitDir is given.
    const char* RememberFolderAs = nullptr;

    void ShowOpen(QWidget* parent);
    void ShowSave(QWidget* parent);

  private:
    void show(int kind, QWidget* parent);
};

}  // namespace lanxi
