#pragma once

#include "tests/support/printers.h"

#include <QByteArray>
#include <array>
#include <cstdint>
#include <vector>

// What a JPEG file says about how it was made, read back with libjpeg.
namespace lanxi::test {

using QuantTable = std::array<std::uint16_t, 64>;  // natural (row by row) order

struct JpegInfo {
    bool valid = false;  // libjpeg read the header
    int width = 0;
    int height = 0;
    int components = 0;
    // Sampling factors (h, v) of each component; 2x2,1x1,1x1 is 4:2:0.
    std::vector<std::pair<int, int>> sampling;
    bool progressive = false;
    bool jfif = false;
    std::vector<QuantTable> quantTables;  // by table number
    int lumaAcSymbols = 0;                // symbols in the luminance AC Huffman table
    std::vector<int> markers;             // every marker from SOI up to SOS, in file order
};

JpegInfo InspectJpeg(const QByteArray& bytes);

// The table libjpeg makes for a quality (0 luminance, 1 chrominance), computed here from the
// example tables of the JPEG standard and the usual quality scaling, capped at 255.
QuantTable StandardQuantTable(int table, int quality);

// Markers a writer adds for metadata: APP1 to APP15 (Exif, XMP, ICC, Adobe ...) and comments.
bool IsMetadataMarker(int marker);

}  // namespace lanxi::test
