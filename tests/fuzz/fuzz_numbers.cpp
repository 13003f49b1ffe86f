// Any text typed into a size input: converting it either gives a number in range or fails with
// TypeMismatch or Overflow, and the readout of any float is formed without fault.
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "base/errors.h"
#include "base/numbers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        const double v = lanxi::CDbl(text);
        (void)lanxi::Readout(lanxi::CSng(v));
    } catch (const lanxi::Error& e) {
        if (e.code() != lanxi::ErrorCode::TypeMismatch && e.code() != lanxi::ErrorCode::Overflow) {
            __builtin_trap();
        }
    }
    if (size >= sizeof(float)) {
        float f;
        std::memcpy(&f, data, sizeof f);
        const QString shown = lanxi::Readout(f);
        if (shown.contains(QLatin1Char('.'))) {
            __builtin_trap();
        }
        (void)lanxi::ReadoutValue(f);
    }
    return 0;
}
