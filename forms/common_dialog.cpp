#include "forms/common_dialog.h"

#include "forms/ui.h"

namespace lanxi {

void CommonDialog::ShowOpen(QWidget* parent) {
    FileName = Ui().fileDialog(FileDialogRequest{FileDialogRequest::Open, parent, Filter, Flags});
}

void CommonDialog::ShowSave(QWidget* parent) {
    FileName = Ui().fileDialog(FileDialogRequest{FileDialogRequest::Save, parent, Filter, Flags});
}

}  // namespace lanxi
