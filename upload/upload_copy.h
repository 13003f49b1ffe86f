#pragma once

#include <QSize>
#include <QString>
#include <cstdint>

#include "base/stop.h"
#include "system/safe_file.h"
#include "upload/quality_search.h"

// The upload copy of a picture file, from the file to the copy written: the workspace's "_YS"
// copy, every file of the batch and of the command line go through here.
namespace lanxi {

// What a copy's source was as it was read.
struct SourceFacts {
    std::int64_t bytes = 0;  // the file's size
    QSize pixels;            // its picture's, upright
};

// The upload copy of a picture file: loaded at a reduced scale when the copy keeps fewer pixels
// (see the rule in the source), refused with a reason when it cannot be read or its data is
// damaged. *read (if given) tells the file once its picture has been read.
FittedCopy MakeUploadCopyOfFile(const QString& source, const SiteLimits& limits,
                                const Stop* stop = nullptr, SourceFacts* read = nullptr,
                                JpegEncoder encoder = kFittedEncoder,
                                Reduction reduction = kFittedReduction);

// Why MakeUploadCopyOfFile will refuse `source` whatever the limits, as far as its first bytes
// tell: a file that cannot be read, or a format no copy is made from; empty when it may be made.
// Reads no more than the first few kilobytes, and never waits on a pipe or device.
QString SourceRefusal(const QString& source);

// Writes a copy that fits at `path`, through a temporary file. The name is one the program made
// up (a "_YS" name, a JPEG beside a BMP), so a link found there is replaced, never followed;
// only a copy written over its own source, as the user asked, goes through a link
// (`AtLink::WriteThrough`). A new copy of `source` is no more readable than the source. False with
// *reason (Chinese) when nothing was written.
bool WriteUploadCopy(const FittedCopy& copy, const QString& path, QString* reason,
                     AtLink atLink = AtLink::Replace, const QString& source = {});

}  // namespace lanxi
