#pragma once

#include <QString>

namespace lanxi {

// The last error the system reported on this thread (errno, or GetLastError() on Windows).
int LastSystemError();

// Why the system refused to open, read or write a file, in Chinese, from its error number as
// LastSystemError() gives it. The system's own texts are English and not for our users.
QString SystemErrorText(int code);

// True when the system's error means the name does not lead to a file.
bool IsNotFoundError(int code);

// The reason for a name that leads to no file. A name holding characters that the system's
// encoding cannot carry (shown as U+FFFD when it was listed) can never be opened by that name,
// and is told apart from a file that is simply gone.
QString NotFoundText(const QString& path);

}  // namespace lanxi
