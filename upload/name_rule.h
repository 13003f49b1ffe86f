#pragma once

#include <QString>

namespace lanxi {

// The name of a picture's compressed copy: every "." of the file name becomes "_YS." (one pass,
// left to right), and a name that then does not end in ".jpg" or ".jpeg" (any case) takes "jpg"
// for its last ending, as a BMP's always has: the copy holds JPEG data, and every program must
// see that from its name. Only the file name changes, never its directory (a dot in a folder's
// name would otherwise point the copy into a folder that does not exist). A file name without an
// ending (no dot, or only a leading one) gets "_YS.jpg" appended, so the copy never replaces the
// file it is made from.
//   D:\pics\a.bmp -> D:\pics\a_YS.jpg      D:\my.pics\a.b.jpg -> D:\my.pics\a_YS.b_YS.jpg
//   shot.PNG -> shot_YS.jpg                .hidden -> .hidden_YS.jpg
QString YsName(const QString& path);

// The name a re-encoded picture takes when it replaces its source: the source's own name when
// that ends in ".jpg" or ".jpeg" (any case); otherwise (a BMP, which keeps its file, or any
// other picture) the name with "jpg" for its last ending, or ".jpg" appended when it has none.
QString JpegName(const QString& path);

// True for a name ending in ".jpg" or ".jpeg" in any case: what every program expects to hold
// JPEG data.
bool HasJpegEnding(const QString& path);

}  // namespace lanxi
