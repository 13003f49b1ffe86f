// Any bytes given to the checks the batch makes before decoding: the header probe that tells a
// row's memory and the scan count that refuses scan bombs. They must never crash, read out of
// bounds or hang, and must never promise less memory than the file itself takes.
#include <QByteArray>
#include <QCoreApplication>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "codec/jpeg_decode.h"
#include "codec/picture_probe.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    // Image format plugins are found through the application object.
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto read = [data, size](std::int64_t at, char* out, std::int64_t count) {
        if (at < 0 || count < 0 || std::uint64_t(at) >= size) {
            return std::int64_t(0);
        }
        const std::int64_t n = std::min<std::int64_t>(count, std::int64_t(size) - at);
        std::memcpy(out, data + at, std::size_t(n));
        return n;
    };
    const lanxi::PictureFootprint f = lanxi::ProbePicture(read, std::int64_t(size));
    if (f.memoryBytes < f.fileBytes || f.fileBytes != std::int64_t(size)) {
        __builtin_trap();
    }
    const lanxi::detail::JpegScans scans = lanxi::detail::CountJpegScans(data, size);
    if (scans.scans < 0 || std::size_t(scans.scans) > size / 4 || !(scans.passes >= 0)) {
        __builtin_trap();  // every scan takes a marker and a length: at least four bytes
    }
    return 0;
}
