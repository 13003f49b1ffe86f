#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>
#include <cstdint>
#include <functional>

#include "codec/decoded.h"
#include "document/picture.h"

namespace lanxi {

// What a caller may ask of a load (what it asks of the decoder: a stop ends the load with
// ErrorCode::UserInterrupt, and with `enough` the picture may come back smaller than the
// file's), and what the load tells back besides the picture.
struct LoadControl : DecodeRequest {
    // Set when the picture was decoded although parts of its data are damaged (a JPEG whose
    // entropy-coded data had to be skipped, a PNG whose last rows are lost): what shows there is
    // grey, not the photograph.
    bool damaged = false;
    // The memory the decoding held at its peak, as it allocated it (the file's bytes included).
    std::int64_t peakBytes = 0;
    // The file's size as it was read.
    std::int64_t fileBytes = 0;
};

// Loads a picture file. The format is recognised by the file's content, not its name: JPEG
// (upright, following a camera's orientation tag), BMP, PNG, WebP (an animation's first frame)
// and HEIF (HEIC, and AVIF; turned as its boxes say), and the other formats Qt reads.
// Only plain files are read (see RegularFile). Throws lanxi::Error whose message() says in
// Chinese why the file could not be opened; what a file's header already refuses is refused with
// the words of its footprint (see ProbePicture).
StdPicture LoadPicture(const QString& path, LoadControl* control = nullptr);

// Decodes a picture held in memory, as LoadPicture does with a file's bytes.
StdPicture DecodePicture(const QByteArray& bytes, LoadControl* control = nullptr);

// Writes the picture as a BMP file, whatever the name's ending. The file is written beside the
// target under a temporary name and replaces it only when complete, so a failed write leaves
// an existing file untouched. Throws lanxi::Error with the reason.
void SavePicture(const StdPicture& picture, const QString& path);

}  // namespace lanxi
