#pragma once

#include <QByteArray>
#include <QString>
#include <atomic>

#include "document/picture.h"
#include "system/safe_file.h"

namespace lanxi {

// How a picture is written as a JPEG file. Every file is baseline JPEG with Huffman tables
// optimised for its picture and no metadata beyond the JFIF header.
struct JpegSettings {
    int quality = 80;  // 0 to 100, the usual libjpeg scale
    // 4:2:0: the colour is kept at half the resolution in each direction, as nearly every
    // camera does; off keeps every pixel's colour (4:4:4) for copies meant to stay sharp.
    bool subsampleChroma = true;
};

// A picture saved by the user under a JPEG name: as close to the picture as JPEG gets.
inline constexpr JpegSettings kHighQuality{95, false};

// Writes the picture as a JPEG file. The file is written beside the target under a temporary
// name and replaces it only when complete, so a failed write leaves an existing file untouched
// and no temporary file. False when the file was not written; *reason (if given) then says why
// in Chinese. `atLink` says what happens when `path` is a symbolic link. With `cancel`, the
// write is given up soon after it turns true (the reason is then "已停止"). Safe to call from
// several threads at once.
bool WriteJpegFile(const StdPicture& picture, const QString& path, const JpegSettings& settings,
                   QString* reason = nullptr, AtLink atLink = AtLink::WriteThrough,
                   const std::atomic<bool>* cancel = nullptr);

// The JPEG file WriteJpegFile would write, in memory; empty (with *reason) when the picture
// cannot be encoded.
QByteArray EncodeJpeg(const StdPicture& picture, const JpegSettings& settings,
                      QString* reason = nullptr, const std::atomic<bool>* cancel = nullptr);

}  // namespace lanxi
