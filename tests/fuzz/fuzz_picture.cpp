// Any bytes given to the picture loader: it must decode them or refuse them with a reason,
// never crash, read out of bounds or hang.
#include <QByteArray>
#include <QCoreApplication>
#include <cstddef>
#include <cstdint>

#include "base/errors.h"
#include "codec/loader.h"

// The leaks of libraries that tests/lsan.supp names are none of ours.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\nleak:libdbus\nleak:libdav1d\n";
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    // Image format plugins are found through the application object.
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        const lanxi::StdPicture picture = lanxi::DecodePicture(bytes);
        if (picture.isEmpty() || picture.width() <= 0 || picture.height() <= 0) {
            __builtin_trap();  // a picture that is not refused must hold pixels
        }
    } catch (const lanxi::Error& e) {
        if (e.message().isEmpty()) {
            __builtin_trap();  // every refusal says why
        }
    }
    return 0;
}
