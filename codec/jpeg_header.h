#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "codec/footprint.h"
#include "codec/source.h"

// A JPEG's header as the decoder and the batch's probe both read it: one walk over its markers,
// and one set of rules for what is refused before any pixel is decoded.
namespace lanxi {

// No encoder in use writes more scans than this: a baseline picture has one (or one a
// component), libjpeg's progressive script ten, optimised scripts of other encoders a few dozen.
inline constexpr int kMaxJpegScans = 256;
// Nor do their scans together pass over the picture's blocks more often than this: libjpeg's
// progressive script passes about five times (each scan covers one component or the DC of
// all), heavy successive-approximation scripts some twenty. A scan costs time for every block
// it covers, however few bytes it takes (arithmetic coding of a flat picture takes almost none),
// so this bounds the work of a file, not only its length.
inline constexpr double kMaxJpegPasses = 64;
// Nor do they put more markers and fill bytes before the first scan: a few dozen (a large colour
// profile is split over some hundred blocks). Each is a step of the walk, so a file of nothing
// but comments or fill bytes is refused rather than walked to its end.
inline constexpr int kMaxJpegHeaderBlocks = 4096;

struct JpegHeader {
    bool found = false;                  // a frame header was read
    int frameMarker = 0;                 // 0xC0 to 0xCF
    int precision = 8;                   // bits per sample
    std::int64_t width = 0, height = 0;  // as stored, before the orientation tag turns it
    struct Component {
        int id = 0;
        int h = 1, v = 1;  // sampling factors
    };
    std::vector<Component> components;
    int orientation = 1;            // from the first Exif block, 1 to 8
    bool colourProfile = false;     // an ICC profile is embedded (APP2 "ICC_PROFILE")
    std::int64_t profileBytes = 0;  // the bytes of its blocks
    int firstScanComponents = 0;    // 0: no scan was reached
    // The walk gave up before the first scan, after kMaxJpegHeaderBlocks markers.
    bool tooManyBlocks = false;
    // Counted over the whole stream only (see ReadJpegHeader).
    int scans = 0;
    double passes = 0;  // the blocks the scans cover, in passes over all the picture's blocks
    std::int64_t scanBytes = 0;  // from the first scan to the picture's end

    bool progressive() const;
    bool arithmetic() const;
    // The picture's size once turned upright.
    QSize uprightSize() const;
};

// Walks the markers of a JPEG stream. With `wholeStream` the walk goes on to the end of the
// picture, counting its scans (entropy-coded data passed over with findFF); otherwise it ends at
// the first scan, having read no more than the headers. Never reads past the source.
JpegHeader ReadJpegHeader(const ByteSource& source, bool wholeStream);

// What decoding the stream costs and whether it is refused before decoding, by the header's
// rules in this order: too many blocks before the first scan, a kind of JPEG the decoder does not
// read, the size, a file too short to hold its blocks, and (from a whole-stream walk) too many
// scans.
PictureFootprint JpegFootprint(const JpegHeader& header, std::int64_t fileBytes);

// The orientation (1 to 8) stored in an Exif block (the APP1 payload after "Exif\0\0"), or 1.
int ExifOrientation(const unsigned char* tiff, std::size_t size);

}  // namespace lanxi
