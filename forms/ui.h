#pragma once

#include <QString>
#include <QWidget>
#include <cstdint>

// The one seam between the windows and what waits for the user: the modal file dialog, the
// message boxes and the web page opener. The program uses the real ones; a test installs its
// own to answer dialogs and to read what each message box said.
namespace lanxi {

// The title of message boxes and dialogs that give none: the program's own, as the program
// sets it at start-up (empty until then).
QString ProgramTitle();
void SetProgramTitle(const QString& title);

enum MsgBoxStyle : int {
    vbOKOnly = 0,
    vbCritical = 16,
    vbExclamation = 48,
    vbInformation = 64,
};

struct FileDialogRequest {
    enum Kind { Open, Save };
    Kind kind = Open;
    QWidget* parent = nullptr;
    QString filter;          // "description|pattern|description|pattern"
    std::int32_t flags = 0;  // 2 ask before replacing, 4 hide read-only box, 8 keep current dir
    QString directory;       // where the dialog opens; empty: its own choice
};

struct MessageBoxRequest {
    QWidget* parent = nullptr;
    QString text;
    int style = vbOKOnly;
    QString title;  // as the caller gave it; empty when it gave none
    // What the box shows as its title: the caller's, or the program's title.
    QString shownTitle() const { return title.isEmpty() ? ProgramTitle() : title; }
};

class UserInterface {
  public:
    virtual ~UserInterface() = default;
    // The full path chosen, exactly as picked or typed; empty when cancelled.
    virtual QString fileDialog(const FileDialogRequest& request) = 0;
    virtual void messageBox(const MessageBoxRequest& request) = 0;
    virtual void openAddress(QWidget* parent, const QString& address) = 0;
};

// The interface in use; the real one unless a test installed another.
UserInterface& Ui();
// Installs an interface (nullptr puts the real one back). The caller keeps ownership.
void SetUi(UserInterface* ui);

// Shows a message box and waits until it is closed.
void MsgBox(QWidget* parent, const QString& text, int style = vbOKOnly, const QString& title = {});
// Opens a web address in the system's browser; the outcome is not reported.
void ShellOpen(QWidget* parent, const QString& address);

}  // namespace lanxi
