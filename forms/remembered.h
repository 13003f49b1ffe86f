#pragma once

#include <QString>

class QAbstractButton;
class QComboBox;

// The choices the windows remember from one start of the program to the next: the folder of the
// file last chosen in the workspace's open or save dialog, the folder the batch browser was last
// at, and the choice made in each window's strip. They are kept per user, in one INI file. A
// remembered choice that no longer makes sense (a folder that has gone, an item a choice no
// longer offers) is ignored without a word.
//
// Nothing is remembered until the program says where: the windows then behave at every start as
// at the first, which is what the tests, the benchmarks and a forgotten set of choices see.
namespace lanxi::Remembered {

// The user's own settings (per user: ~/.config/lanxi-pictool/remembered.ini, on Windows under
// %APPDATA%); the program calls this at start.
void UseUserSettings();
// An INI file of the caller's (tests); an empty path remembers nothing again.
void UseFile(const QString& path);
// The file in use; empty while nothing is remembered.
QString FileInUse();

// The folder remembered under `key` while it is still a folder; empty otherwise.
QString Folder(const char* key);
// Remembers a folder, with the platform's separators.
void SetFolder(const char* key, const QString& folder);

// Makes a choice box remember its choice under `key`: the item remembered is chosen now (an item
// the box no longer offers is ignored), and each item the user chooses from now on is
// remembered. An item is known by its data when it has any (a preset's command-line name),
// otherwise by its text. Call it once the box holds its items; `key` (a window's own name for the
// choice, "window/choice") must live as long as the box.
void Choice(QComboBox* box, const char* key);

// Makes a check box remember whether it is ticked under `key`, as Choice does for a choice box
// (its clicks are remembered; the box is ticked or not now, without a click).
void Toggle(QAbstractButton* box, const char* key);

// Forgets every remembered choice: the next start is the designed first start.
void Forget();

}  // namespace lanxi::Remembered
