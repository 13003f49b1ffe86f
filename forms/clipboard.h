#pragma once

#include "document/picture.h"

// The system clipboard, as the windows use it: a picture put on it comes back unchanged, and
// other programs can paste it.
namespace lanxi::Clipboard {

void Clear();
void SetData(const StdPicture& picture);
// The picture the clipboard holds; empty when it holds none.
StdPicture GetData();

}  // namespace lanxi::Clipboard
