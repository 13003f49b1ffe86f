#include "picture/common_dialog.h"

#include "picture/ui.h"

namespace lanxi {

void CommonDialog::ShowOpen(QWidget* parent) {
    FileName = Ui().fileDialog(FileDialogRequest{FileDialogRequest::Open, parent, Filter, Flags});
}

void CommonDialog::ShowSave(QWidget* parent) {
    FileName = Ui().fileDialog(FileDialogRequest{FileDialogRequest::Save, parent, Filter, Flags});
}

}  // namespace lanxi
