#pragma once

#include <QByteArray>

#include "codec/decoded.h"
#include "codec/footprint.h"
#include "codec/source.h"

// The formats left to Qt's own readers (a GIF, a TIFF, an uncompressed BMP's pixels), behind our
// size rule and with their memory counted as the probe counts it.
namespace lanxi {

// The footprint from the header Qt's reader sees: Qt's picture in the format its reader gives,
// and our 32-bit copy of it.
PictureFootprint QtFootprint(const ByteSource& source);

// Decodes with Qt's reader for `format` (empty: whichever reader the content names), upright as
// the file says. What the footprint refuses is refused in its words, and so is a size the whole
// file claims beyond the limits. The picture comes in the format the reader gives; no colour
// space is read.
Decoded DecodeWithQt(const QByteArray& bytes, const QByteArray& format = {});

// What the user reads of a file no reader recognises.
QString NotAPicture();

}  // namespace lanxi
