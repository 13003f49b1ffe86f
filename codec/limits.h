#pragma once

#include <QString>
#include <cstdint>

#include "codec/footprint.h"

// What the decoders accept, one rule for every format and for the probes that predict them.
namespace lanxi {

// Pictures larger than this are refused before any pixel memory is taken.
inline constexpr std::int64_t kMaxPicturePixels = 250'000'000;
inline constexpr int kMaxPictureSide = 65'535;
// No picture we accept comes near this; a larger file is not read into memory at all.
inline constexpr std::int64_t kMaxFileBytes = 1024LL * 1024 * 1024;

// Why a picture whose header gives `width` × `height` is refused, in Chinese; empty when a
// picture of that size may be decoded.
QString SizeRefusal(std::int64_t width, std::int64_t height);
// What the user reads when the memory for a picture of that size could not be had.
QString NoMemoryFor(std::int64_t width, std::int64_t height);

// The part of a picture's footprint its header alone gives: the file's bytes held, and the
// refusal of a header that was not found (`broken`, in Chinese) or of a size beyond the limits;
// otherwise the size, to which the format adds the memory its decoding takes.
PictureFootprint HeaderFootprint(std::int64_t fileBytes, bool found, const QString& broken,
                                 std::int64_t width, std::int64_t height);

// The footprint of a picture our own decoder reads into 32-bit rows: the header's part (above),
// then the rows, the decoding library's own buffers (`libraryBytes`) and, for a picture with
// transparency, its copy laid over white.
PictureFootprint RowsFootprint(std::int64_t fileBytes, bool found, const QString& broken,
                               std::int64_t width, std::int64_t height, std::int64_t libraryBytes,
                               bool transparency);

}  // namespace lanxi
