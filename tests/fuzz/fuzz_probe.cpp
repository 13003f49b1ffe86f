// Any bytes given to the header probe the batch makes before decoding, and to the decoder: the
// probe must never crash, read out of bounds or hang, never promise less memory than the file
// itself takes, and must agree with the decoder: the size it foretells is the decoded size, its
// memory no less than the decoding held, and what it refuses the decoder refuses in its words.
#include <QByteArray>
#include <QGuiApplication>
#include <cstddef>
#include <cstdint>

#include "codec/jpeg_header.h"
#include "codec/picture_probe.h"
#include "tests/support/probe_agreement.h"

// The leaks of libraries that tests/lsan.supp names are none of ours.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\nleak:libdbus\nleak:libdav1d\n";
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    // Image format plugins are found through the application object; no display is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const lanxi::MemorySource source(reinterpret_cast<const char*>(data), std::int64_t(size));
    const lanxi::PictureFootprint f = lanxi::ProbePicture(source);
    if (f.memoryBytes < f.fileBytes || f.fileBytes != std::int64_t(size)) {
        __builtin_trap();
    }
    const lanxi::JpegHeader whole = lanxi::ReadJpegHeader(source, true);
    if (whole.scans < 0 || std::size_t(whole.scans) > size / 4 || !(whole.passes >= 0)) {
        __builtin_trap();  // every scan takes a marker and a length: at least four bytes
    }
    // Decoding what claims gigabytes would only slow the search down.
    if (f.memoryBytes < 256 * 1024 * 1024 &&
        !lanxi::test::ProbeDisagreement(
             QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size)))
             .isEmpty()) {
        __builtin_trap();
    }
    return 0;
}
