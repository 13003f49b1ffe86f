#include "codec/picture_probe.h"

#include <QBuffer>
#include <QImage>
#include <QImageIOHandler>
#include <QImageReader>
#include <QtEndian>
#include <algorithm>
#include <cstring>

#include "base/errors.h"
#include "base/log.h"
#include "codec/bmp_codec.h"
#include "codec/heif_codec.h"
#include "codec/jpeg_header.h"
#include "codec/limits.h"
#include "codec/png_codec.h"
#include "codec/webp_codec.h"
#include "system/regular_file.h"

namespace lanxi {
namespace {

// Enough for the header of every format Qt reads that puts its size up front.
constexpr std::int64_t kHeadBytes = 4096;

}  // namespace

PictureFormat FormatOf(const ByteSource& source) {
    unsigned char p[32] = {};
    const std::int64_t got = source.read(0, reinterpret_cast<char*>(p), sizeof p);
    if (got >= 3 && p[0] == 0xFF && p[1] == 0xD8 && p[2] == 0xFF) {
        return PictureFormat::Jpeg;
    }
    if (got >= 2 && p[0] == 'B' && p[1] == 'M') {
        return PictureFormat::Bmp;
    }
    if (got >= 8 && std::memcmp(p, "\x89PNG\r\n\x1a\n", 8) == 0) {
        return PictureFormat::Png;
    }
    if (got >= 12 && std::memcmp(p, "RIFF", 4) == 0 && std::memcmp(p + 8, "WEBP", 4) == 0) {
        return PictureFormat::Webp;
    }
    // An ISO media file whose brands name a still picture of HEIF (HEVC or AV1 coded).
    if (got >= 12 && std::memcmp(p + 4, "ftyp", 4) == 0) {
        const std::int64_t box = std::min<std::int64_t>(qFromBigEndian<quint32>(p), got);
        for (std::int64_t at = 8; at + 4 <= box; at += 4) {
            if (at == 12) {
                continue;  // the minor version, not a brand
            }
            for (const char* brand :
                 {"heic", "heix", "hevc", "hevx", "heim", "heis", "mif1", "msf1", "avif", "avis"}) {
                if (std::memcmp(p + at, brand, 4) == 0) {
                    return PictureFormat::Heif;
                }
            }
        }
    }
    return PictureFormat::Other;
}

PictureFootprint QtFootprint(const ByteSource& source) {
    PictureFootprint f;
    f.fileBytes = source.size();
    f.memoryBytes = source.size();
    QByteArray head(int(std::min(kHeadBytes, source.size())), Qt::Uninitialized);
    head.truncate(int(source.read(0, head.data(), head.size())));
    QBuffer buffer(&head);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    QSize size = reader.size();
    if (!size.isValid()) {
        return f;
    }
    // Qt's reader turns the picture upright as the loader asks it to, which takes a turned copy.
    const QImageIOHandler::Transformations turn = reader.transformation();
    if (turn & QImageIOHandler::TransformationRotate90) {
        size.transpose();
    }
    if (f.refusal = SizeRefusal(size.width(), size.height()); !f.refusal.isEmpty()) {
        return f;
    }
    f.size = size;
    // Qt's picture at its format's depth (8 bytes a pixel when the reader does not say: the
    // deepest it gives), then our 32-bit rows.
    const QImage::Format format = reader.imageFormat();
    const int depth =
        format == QImage::Format_Invalid ? 64 : QImage::toPixelFormat(format).bitsPerPixel();
    const int copies = turn == QImageIOHandler::TransformationNone ? 1 : 2;
    // Qt's rows start on 32-bit boundaries.
    const std::int64_t qtRow = (std::int64_t(size.width()) * std::max(depth, 8) + 31) / 32 * 4;
    f.memoryBytes +=
        copies * qtRow * size.height() + std::int64_t(size.width()) * size.height() * 4;
    return f;
}

PictureFootprint ProbePicture(const ByteSource& source) {
    switch (FormatOf(source)) {
        case PictureFormat::Jpeg:
            return JpegFootprint(ReadJpegHeader(source, false), source.size());
        case PictureFormat::Bmp:
            return BmpFootprint(ReadBmpHeader(source));
        case PictureFormat::Png:
            return PngFootprint(ReadPngHeader(source));
        case PictureFormat::Webp:
            return WebpFootprint(ReadWebpHeader(source));
        case PictureFormat::Heif:
            return HeifFootprint(ReadHeifHeader(source));
        case PictureFormat::Other:
            break;
    }
    return QtFootprint(source);
}

PictureFootprint ProbePictureFile(const QString& path) {
    try {
        RegularFile file;
        file.open(path);
        return ProbePicture(FileSource(file));
    } catch (const Error& e) {
        qCDebug(lcProgram) << "no header read from" << path << ":" << e.message();
        return {};
    }
}

}  // namespace lanxi
