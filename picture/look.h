#pragma once

namespace lanxi {

// The program's look, shared by every window: a 9-point sans font that has the Chinese
// characters (so every caption fits its control), Qt's own dialogs in Chinese, and the
// program's title. Call once, after the QApplication exists.
void SetUpProgramLook();

}  // namespace lanxi
