#pragma once

#include "tests/support/printers.h"

#include <QByteArray>
#include <QString>
#include <vector>

#include "tests/support/images.h"

// Files a user may meet that no picture can be read from, each with a part of the reason the
// program gives. One catalogue serves the loader, the workspace and the batch tests.
namespace lanxi::test {

struct BadFile {
    QString name;      // in the catalogue's directory
    QString reason;    // a part of the message that says why
    QByteArray bytes;  // what a plain file holds (must stay unchanged); null for the others
    // Not a plain file with content (a pipe, a device, a folder, a loop or nothing at all): its
    // content must never be read, by the program or by the test.
    bool special() const { return bytes.isNull(); }
};

// Puts the catalogue into `dir` and returns it. The entries that the system cannot make here
// (pipes, devices and links need a POSIX system) are left out.
std::vector<BadFile> MakeBadFiles(const TempDir& dir);

}  // namespace lanxi::test
