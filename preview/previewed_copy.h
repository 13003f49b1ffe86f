#pragma once

#include <QSize>
#include <QString>
#include <cstdint>

#include "document/drawn_image.h"
#include "document/picture.h"
#include "upload/quality_search.h"

// An upload copy as the preview shows it: the file the site will receive, decoded, and what it
// was made from, to compare.
namespace lanxi {

struct PreviewedCopy {
    StdPicture pixels;  // the copy's file decoded: what the site shows, at its own pixels
    // What the copy was made from, at any size (the comparison scales it to the copy's pixels);
    // empty when there is nothing to compare it with.
    DrawnImage before;
    // What brings `before` to the copy's pixels as the copy was brought to them.
    Reduction reduction = Reduction::Area;
    std::int64_t bytes = 0;  // the file's
    int quality = 0;
    QString name;     // the file's name, when it has been written
    QString note;     // what the user should know besides (why there is nothing to compare)
    QString failure;  // why there is no copy to show; then `pixels` is empty
};

// The preview of a copy made in memory from `before`: its JPEG decoded as any picture file is. A
// copy that does not fit is shown by its reason, in the words the workspace's readout uses.
// Decodes: for a worker.
PreviewedCopy PreviewOf(const FittedCopy& copy, const DrawnImage& before, const SiteLimits& limits);

// The preview of a copy written at `copy` from `source`, read from the files as they are now: the
// source is decoded only at the scale the comparison needs. A copy that took its source's place
// has nothing to be compared with. `quality` and `reduction` are the copy's, as it was made.
// Reads and decodes: for a worker.
PreviewedCopy PreviewOfFiles(const QString& copy, const QString& source, int quality,
                             Reduction reduction);

// What the preview tells of a copy: "183 KB（183,456 字节），质量 87，700 × 467 像素".
QString PreviewDescription(const PreviewedCopy& copy);

}  // namespace lanxi
