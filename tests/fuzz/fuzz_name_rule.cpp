// Any text as a path given to the name rule: the copy's name keeps the directory, differs from
// the source, and is formed without fault.
#include <QString>
#include <cstddef>
#include <cstdint>

#include "upload/name_rule.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString path = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString copy = lanxi::YsName(path);
    const qsizetype cut =
        std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\'))) + 1;
    // The copy is another file, in the same folder, and its name says it holds JPEG data.
    if (copy == path || !copy.startsWith(path.left(cut)) || !lanxi::HasJpegEnding(copy)) {
        __builtin_trap();
    }
    const QString jpg = lanxi::JpegName(path);
    if (!lanxi::HasJpegEnding(jpg) || !jpg.startsWith(path.left(cut)) ||
        (lanxi::HasJpegEnding(path) != (jpg == path))) {
        __builtin_trap();
    }
    return 0;
}
