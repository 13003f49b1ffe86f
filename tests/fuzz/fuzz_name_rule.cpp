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
    if (copy == path || !copy.startsWith(path.left(cut))) {
        __builtin_trap();
    }
    const QString jpg = lanxi::JpgEnding(path);
    if (jpg.size() != path.size()) {
        __builtin_trap();
    }
    return 0;
}
