#include "codec/formats.h"

#include <QtEndian>
#include <algorithm>
#include <cstring>

#include "codec/bmp_codec.h"
#include "codec/heif_codec.h"
#include "codec/jpeg_decode.h"
#include "codec/jpeg_header.h"
#include "codec/png_codec.h"
#include "codec/qt_codec.h"
#include "codec/webp_codec.h"

namespace lanxi {
namespace {

bool startsWith(const unsigned char* head, std::int64_t got, const char* signature,
                std::int64_t at = 0) {
    const auto length = std::int64_t(std::strlen(signature));
    return got >= at + length && std::memcmp(head + at, signature, std::size_t(length)) == 0;
}

// An ISO media file whose brands name a still picture of HEIF (HEVC or AV1 coded).
bool isHeif(const unsigned char* p, std::int64_t got) {
    if (!startsWith(p, got, "ftyp", 4)) {
        return false;
    }
    const std::int64_t box = std::min<std::int64_t>(qFromBigEndian<quint32>(p), got);
    for (std::int64_t at = 8; at + 4 <= box; at += 4) {
        if (at == 12) {
            continue;  // the minor version, not a brand
        }
        for (const char* brand :
             {"heic", "heix", "hevc", "hevx", "heim", "heis", "mif1", "msf1", "avif", "avis"}) {
            if (std::memcmp(p + at, brand, 4) == 0) {
                return true;
            }
        }
    }
    return false;
}

const FormatEntry& otherFormat() {
    static const FormatEntry entry{
        PictureFormat::Other,
        {},
        {},
        {},
        false,
        [](const unsigned char*, std::int64_t) { return true; },
        QtFootprint,
        [](const QByteArray& bytes, const DecodeRequest&) { return DecodeWithQt(bytes); }};
    return entry;
}

QString joined(bool designedToo, const QString& beforeLast) {
    QStringList names;
    for (const FormatEntry& f : PictureFormats()) {
        if (designedToo || !f.designed) {
            names << f.name;
        }
    }
    if (beforeLast.isEmpty() || names.size() < 2) {
        return names.join(QStringLiteral("、"));
    }
    const QString last = names.takeLast();
    return names.join(QStringLiteral("、")) + beforeLast + last;
}

QString wildcardsOf(bool designedOnly) {
    QStringList all;
    for (const FormatEntry& f : PictureFormats()) {
        if (f.designed || !designedOnly) {
            all << f.wildcards();
        }
    }
    return all.join(QLatin1Char(';'));
}

}  // namespace

QString FormatEntry::wildcards() const {
    QStringList all;
    for (const QString& suffix : suffixes) {
        all << QStringLiteral("*.") + suffix;
    }
    return all.join(QLatin1Char(';'));
}

const std::vector<FormatEntry>& PictureFormats() {
    static const std::vector<FormatEntry> formats{
        {PictureFormat::Jpeg,
         QStringLiteral("JPEG"),
         {"jpg", "jpeg"},
         {"image/jpeg"},
         true,
         [](const unsigned char* p, std::int64_t got) {
             return got >= 3 && p[0] == 0xFF && p[1] == 0xD8 && p[2] == 0xFF;
         },
         [](const ByteSource& source) {
             return JpegFootprint(ReadJpegHeader(source, false), source.size());
         },
         DecodeJpeg},
        {PictureFormat::Bmp,
         QStringLiteral("BMP"),
         {"bmp"},
         {"image/bmp"},
         true,
         [](const unsigned char* p, std::int64_t got) { return startsWith(p, got, "BM"); },
         [](const ByteSource& source) { return BmpFootprint(ReadBmpHeader(source)); },
         DecodeBmp},
        {PictureFormat::Png,
         QStringLiteral("PNG"),
         {"png"},
         {"image/png"},
         false,
         [](const unsigned char* p, std::int64_t got) {
             return startsWith(p, got, "\x89PNG\r\n\x1a\n");
         },
         [](const ByteSource& source) { return PngFootprint(ReadPngHeader(source)); },
         DecodePng},
        {PictureFormat::Webp,
         QStringLiteral("WebP"),
         {"webp"},
         {"image/webp"},
         false,
         [](const unsigned char* p, std::int64_t got) {
             return startsWith(p, got, "RIFF") && startsWith(p, got, "WEBP", 8);
         },
         [](const ByteSource& source) { return WebpFootprint(ReadWebpHeader(source)); },
         DecodeWebp},
        {PictureFormat::Heif,
         QStringLiteral("HEIC"),
         {"heic", "heif", "avif"},
         {"image/heic", "image/heif", "image/avif"},
         false,
         isHeif,
         [](const ByteSource& source) { return HeifFootprint(ReadHeifHeader(source)); },
         DecodeHeif},
    };
    return formats;
}

const FormatEntry& FormatOf(const ByteSource& source) {
    unsigned char head[kSignatureBytes] = {};
    const std::int64_t got = source.read(0, reinterpret_cast<char*>(head), sizeof head);
    for (const FormatEntry& f : PictureFormats()) {
        if (f.recognises(head, got)) {
            return f;
        }
    }
    return otherFormat();
}

QString BmpAndJpegWildcards() {
    return wildcardsOf(true);
}

QString EveryPictureWildcards() {
    return wildcardsOf(false);
}

QString ReadableFormatNames() {
    return joined(true, QStringLiteral(" 和 "));
}

QString AddedFormatNames() {
    return joined(false, {});
}

}  // namespace lanxi
