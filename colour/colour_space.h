#pragma once

#include <QByteArray>
#include <array>
#include <optional>

namespace lanxi {

// What a file says its colours mean: an embedded ICC profile (JPEG APP2, PNG iCCP, WebP ICCP,
// HEIF colr/prof), the code points of ITU-T H.273 (HEIF's colr/nclx box), or nothing, which
// means sRGB. A picture is converted to sRGB once it is decoded (see ToSrgb in colour.h).
struct ColourSpace {
    QByteArray icc;
    // H.273 code points: ColourPrimaries (1 BT.709/sRGB, 12 Display P3, 9 BT.2020, ...),
    // TransferCharacteristics (13 sRGB, 1 BT.709, 16 PQ, 18 HLG, ...), MatrixCoefficients and
    // the range. Only primaries and transfer matter once the decoder has made RGB.
    struct CodePoints {
        int primaries = 1;
        int transfer = 13;
        int matrix = 6;
        bool fullRange = true;
        friend bool operator==(const CodePoints&, const CodePoints&) = default;
    };
    std::optional<CodePoints> cicp;
    // PNG's gAMA and cHRM, when there is neither profile nor sRGB chunk: the gamma as stored
    // (1/2.2 is 45455) and the white point and primaries in units of 1/100000, x and y each.
    struct PngChunks {
        int gamma = 0;                                     // 0: none
        std::optional<std::array<int, 8>> chromaticities;  // white, red, green, blue
    };
    std::optional<PngChunks> png;
};

}  // namespace lanxi
