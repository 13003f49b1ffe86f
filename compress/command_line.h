#pragma once

#include <QStringList>
#include <QTextStream>

// The program's command line: the batch run without any window, for people who script their
// uploads.
//   lanxi-pictool compress [--preset article|avatar-310|avatar-210|id-card] [--overwrite] FILE...
namespace lanxi {

// True when the arguments (without the program's name) ask for a command rather than the
// windows.
bool IsCommand(const QStringList& arguments);

// Runs the command the arguments name. Each FILE is written as the batch window would write it
// with the same choices: beside itself under its "_YS" name, or over itself (a BMP beside
// itself as .jpg) with --overwrite; without --preset, at quality 80 at its own size, else
// fitted to the preset. One line per file goes to `out` (its name, then the size written in bytes and the
// quality, or the reason it failed), then a summary line. Returns the exit status: 0 when every
// file was written, 1 otherwise, 2 for a usage error (with the usage text on `err`). Needs a
// QCoreApplication, not a display.
int RunCommand(const QStringList& arguments, QTextStream& out, QTextStream& err);

}  // namespace lanxi
