#pragma once

#include <QStringList>
#include <QTextStream>
#include <optional>

#include "compress/batch_rows.h"
#include "upload/upload_copy.h"

// The program's command line: the batch run without any window, for people who script their
// uploads.
//   lanxi-pictool compress [--preset article|avatar-310|avatar-210|id-card] [--overwrite]
//                          [--dry-run] FILE...
namespace lanxi {

// True when the arguments (without the program's name) ask for a command rather than the
// windows.
bool IsCommand(const QStringList& arguments);

// What the arguments ask for, or why they cannot be read (`error`; with `help`, the usage is
// asked for).
struct Command {
    SitePreset preset = SitePreset::Unlimited;
    bool overwrite = false;
    bool dryRun = false;  // tell what a run would do, writing nothing
    QStringList files;
    bool help = false;
    QString error;
};
Command ParseCommand(const QStringList& arguments);

// The preset a key of --preset names ("article"); none for any other text.
std::optional<SitePreset> PresetForKey(const QString& key);
// The --preset option at arguments[i], as "--preset KEY" (i then moves on to KEY) or
// "--preset=KEY": none when arguments[i] is no such option; else the preset the key names or,
// when it names none, why.
struct PresetOption {
    SitePreset preset = SitePreset::Unlimited;
    QString error;
};
std::optional<PresetOption> ReadPresetOption(const QStringList& arguments, qsizetype& i);

// The batch row of a file named on the command line: its name and folder, the path made absolute
// and clean (a folder named with a trailing slash is the folder).
BatchRow CommandRow(const QString& file);

// A name as the report writes it: every character that would break a line or a field (line
// feeds, tabs and the other control characters) as an escape, \n, \t, \r or \xHH, and (where
// names may hold one) a backslash as \\, so that each file stays one line of tab-separated fields.
QString ReportName(const QString& name);

// Runs the command the arguments name. Each FILE is written as the batch window would write it
// with the same choices: beside itself under its "_YS" name, or over itself with --overwrite (a
// picture whose name is no JPEG name gets a .jpg beside it); without --preset at quality 80 at
// its own size, else fitted to the preset. Files the window would not write (two onto one
// target, a target that is another file's source, a file standing where a sibling goes) are
// refused as the window refuses them. One line per file goes to `out` (its name, then the size
// written in bytes, the quality and the file written, the copy's note and whether it replaced a
// file standing there; or the reason it failed), then a summary line. With --dry-run every copy
// is made in memory and nothing is written: the lines are the ones the run would print, a write
// it would fail foreseen where that can be known without writing, and the summary says that
// nothing was written. Ctrl+C and SIGTERM stop the run as the window's "停止" does. Returns the
// exit status: 0 when every file was (or would be) written, 1 otherwise or after a stop, 2 for
// a usage error (with the usage text on `err`), 3 when the report could not be written. Needs a
// QCoreApplication, not a display.
int RunCommand(const QStringList& arguments, QTextStream& out, QTextStream& err);

}  // namespace lanxi
