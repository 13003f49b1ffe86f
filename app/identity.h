#pragma once

#include <QString>

// Who the program is: its title, the site it serves, and the look shared by every window.
namespace lanxi {

// The program's own title, shown by message boxes that give none.
QString ProgramName();
// The site's home page address (set when the program is configured: LANXI_HOME_PAGE).
QString HomePageAddress();

// Sets up the program's look, once, after the QApplication exists: a 9-point sans font that
// has the Chinese characters (so every caption fits its control), Qt's own dialogs in Chinese,
// the program's icon on every window and its title on every untitled message box.
void SetUpProgramLook();

}  // namespace lanxi
