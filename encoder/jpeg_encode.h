#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>
#include <cstdint>

#include "base/stop.h"
#include "document/picture.h"
#include "system/safe_file.h"

namespace lanxi {

// Which encoder makes the file. Both write standard JPEG files that every decoder reads, with
// Huffman tables optimised for the picture and no metadata beyond the JFIF header.
enum class JpegEncoder {
    // libjpeg-turbo: baseline, the example tables of the JPEG standard scaled by the quality, as
    // nearly every JPEG file is made.
    LibjpegTurbo,
    // jpegli: tables and a per-block quantisation tuned against a perceptual distance, which
    // spends the bytes where the eye sees the error. The quality is mapped to jpegli's distance
    // (quality 90 to distance 1.0, each step down 0.09 more). Sequential (one scan) or
    // progressive (a coarse picture first, refined by later scans).
    JpegliSequential,
    JpegliProgressive,
};

// How a picture is written as a JPEG file.
struct JpegSettings {
    int quality = 80;  // 0 to 100, the usual libjpeg scale
    // 4:2:0: the colour is kept at half the resolution in each direction, as nearly every
    // camera does; off keeps every pixel's colour (4:4:4) for copies meant to stay sharp.
    bool subsampleChroma = true;
    JpegEncoder encoder = JpegEncoder::LibjpegTurbo;
};

// A picture saved by the user under a JPEG name: as close to the picture as JPEG gets.
inline constexpr JpegSettings kHighQuality{95, false};

// The rows of a picture as the encoder reads them, a band at a time, so that a picture made on
// the fly (a frame's drawn image at another size) never has to exist whole.
class RowSource {
  public:
    enum class Grey { Yes, No, Unknown };
    virtual ~RowSource() = default;
    virtual QSize size() const = 0;
    // Whether every pixel has red = green = blue. A grey picture is written with one component:
    // the colour components would only repeat the grey, and cost bytes doing it. Unknown: the
    // encoder looks at the rows as they come.
    virtual Grey grey() const = 0;
    // Rows [first, first + count) as 32-bit RGB rows (QImage::Format_RGB32), valid until the
    // next call; `count` is at most kMaxRows. False when they cannot be made (no memory).
    virtual bool rows(int first, int count, const uchar** out) = 0;
    static constexpr int kMaxRows = 64;
};

// A picture's own rows, read in place.
class PictureRows final : public RowSource {
  public:
    explicit PictureRows(const StdPicture& picture);
    QSize size() const override;
    Grey grey() const override;
    bool rows(int first, int count, const uchar** out) override;

  private:
    StdPicture picture_;
    QImage converted_;  // when the picture is not held as 32-bit rows
};

struct EncodedJpeg {
    QByteArray bytes;       // the file; empty when only measured or when it failed
    std::int64_t size = 0;  // its length; 0 when it failed
    QString reason;         // why it failed, in Chinese ("已停止" after a stop)
    bool ok() const { return size > 0; }
};

// How coarsely a setting quantises, in proportion to its tables' entries: libjpeg's percentage
// scale of the standard tables, or jpegli's distance. A file's size falls nearly as a power of
// it, which lets a search on the quality predict sizes from a few measurements.
double QuantisationScale(const JpegSettings& settings);

// Encodes the rows as a JPEG file in memory. With `measureOnly` the file is only measured, not
// kept. With `stop`, the encoding ends soon after a stop is requested. Safe to call from several
// threads at once.
EncodedJpeg EncodeJpeg(RowSource& rows, const JpegSettings& settings, const Stop* stop = nullptr,
                       bool measureOnly = false);

// The JPEG file of a picture; empty (with *reason) when it cannot be encoded.
QByteArray EncodeJpeg(const StdPicture& picture, const JpegSettings& settings,
                      QString* reason = nullptr, const Stop* stop = nullptr);

// Writes the picture as a JPEG file through a SafeFile: an existing file stays as it was unless
// the whole new one is written. False with *reason (Chinese) when nothing was written. `atLink`
// says what happens when `path` is a symbolic link.
bool WriteJpegFile(const StdPicture& picture, const QString& path, const JpegSettings& settings,
                   QString* reason = nullptr, AtLink atLink = AtLink::WriteThrough);

}  // namespace lanxi
