#pragma once

#include "tests/support/printers.h"

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <vector>

#include "forms/ui.h"

namespace lanxi::test {

// Stands in for the user at the modal dialogs: answers each file dialog from a script and
// records every dialog, message box and web address. Installed for its lifetime.
class ScriptedUi : public UserInterface {
  public:
    ScriptedUi();
    ~ScriptedUi() override;

    // The next file dialog returns this path (empty: the user cancels).
    void answer(const QString& path) { answers_.push_back(path); }
    void cancel() { answers_.push_back(QString()); }
    // Run while a file dialog or a message box is "open" (for what may happen meanwhile).
    std::function<void(const FileDialogRequest&)> onDialog;
    std::function<void(const MessageBoxRequest&)> onMessage;
    // A save dialog with the flag "ask before replacing" (2), given an existing file, asks as the
    // real one does; the answer is this (false: no, and the dialog returns nothing).
    bool replaceExisting = true;
    int replaceQuestions = 0;

    QString fileDialog(const FileDialogRequest& request) override;
    void messageBox(const MessageBoxRequest& request) override;
    void openAddress(QWidget* parent, const QString& address) override;

    std::vector<FileDialogRequest> dialogs;
    std::vector<MessageBoxRequest> messages;
    std::vector<std::pair<QWidget*, QString>> addresses;

    QStringList messageTexts() const;

  private:
    std::deque<QString> answers_;
};

}  // namespace lanxi::test
