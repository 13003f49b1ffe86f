#pragma once

#include <QString>

namespace lanxi {

// The name of a picture's compressed copy: every "." of the file name becomes "_YS." (one pass,
// left to right), then a name ending in "bmp" (any case) ends in "jpg" instead. Only the file
// name changes, never its directory (a dot in a folder's name would otherwise point the copy
// into a folder that does not exist). A file name without a dot gets "_YS.jpg" appended, so the
// copy never replaces the file it is made from.
//   D:\pics\a.bmp -> D:\pics\a_YS.jpg      D:\my.pics\a.b.jpg -> D:\my.pics\a_YS.b_YS.jpg
QString YsName(const QString& path);

// A path whose last three characters are "bmp" in any case gets "jpg" in their place: the name a
// re-encoded file takes when it replaces its source (a BMP source keeps its file).
QString JpgEnding(const QString& path);

// True for a name ending in ".jpg" or ".jpeg" in any case: what every program expects to hold
// JPEG data.
bool HasJpegEnding(const QString& path);

}  // namespace lanxi
