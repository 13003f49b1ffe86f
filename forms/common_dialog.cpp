#include "forms/common_dialog.h"

#include <QFileInfo>

#include "forms/remembered.h"
#include "forms/ui.h"

namespace lanxi {

void CommonDialog::ShowOpen(QWidget* parent) {
    show(FileDialogRequest::Open, parent);
}

void CommonDialog::ShowSave(QWidget* parent) {
    show(FileDialogRequest::Save, parent);
}

void CommonDialog::show(int kind, QWidget* parent) {
    QString folder = InitDir;
    if (folder.isEmpty() && RememberFolderAs != nullptr) {
        folder = Remembered::Folder(RememberFolderAs);
    }
    FileName = Ui().fileDialog(
        FileDialogRequest{FileDialogRequest::Kind(kind), parent, Filter, Flags, folder});
    if (!FileName.isEmpty() && RememberFolderAs != nullptr) {
        Remembered::SetFolder(RememberFolderAs, QFileInfo(FileName).absolutePath());
    }
}

}  // namespace lanxi
