#include "codec/jpeg_header.h"

#include <QtEndian>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "codec/limits.h"

namespace lanxi {
namespace {

// Bytes that are no marker, passed over before the first scan, at most: an encoder leaves none
// there, a damaged file a few. A file that begins like a JPEG and goes on with gigabytes of
// anything else is not read to its end in search of a marker.
constexpr std::int64_t kMaxHeaderGarbage = 1 << 20;

bool isFrameMarker(int m) {
    return m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC;
}

std::uint16_t read16(const unsigned char* p, bool bigEndian) {
    return bigEndian ? std::uint16_t(p[0] << 8 | p[1]) : std::uint16_t(p[1] << 8 | p[0]);
}
std::uint32_t read32(const unsigned char* p, bool bigEndian) {
    return bigEndian ? (std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 |
                        std::uint32_t(p[2]) << 8 | p[3])
                     : (std::uint32_t(p[3]) << 24 | std::uint32_t(p[2]) << 16 |
                        std::uint32_t(p[1]) << 8 | p[0]);
}

std::int64_t divideUp(std::int64_t a, std::int64_t b) {
    return (a + b - 1) / b;
}

}  // namespace

bool JpegHeader::progressive() const {
    return frameMarker == 0xC2 || frameMarker == 0xC6 || frameMarker == 0xCA || frameMarker == 0xCE;
}

bool JpegHeader::arithmetic() const {
    return frameMarker >= 0xC9;
}

QSize JpegHeader::uprightSize() const {
    return orientation >= 5 ? QSize(int(height), int(width)) : QSize(int(width), int(height));
}

JpegHeader ReadJpegHeader(const ByteSource& source, bool wholeStream) {
    JpegHeader j;
    // Blocks of each component by its id, from the frame header, for the passes of the scans.
    std::array<double, 256> blocks{};
    double allBlocks = 0;
    double coveredBlocks = 0;
    bool exifSeen = false;
    const std::int64_t size = source.size();
    std::int64_t pos = 2;  // after SOI
    unsigned char head[4];
    std::int64_t garbage = 0;
    std::int64_t firstScan = -1;
    for (int steps = 0; pos + 1 < size; ++steps) {
        if (j.scans == 0 && steps >= kMaxJpegHeaderBlocks) {
            j.tooManyBlocks = true;
            break;
        }
        if (source.read(pos, reinterpret_cast<char*>(head), 2) < 2) {
            break;
        }
        if (head[0] != 0xFF) {
            // Entropy-coded data, or bytes between markers that the decoder passes over too.
            if (j.scans > 0) {
                pos = source.findFF(pos);
                continue;
            }
            const std::int64_t end = pos + (kMaxHeaderGarbage - garbage);
            const std::int64_t ff = source.findFF(pos, end);
            garbage += ff - pos;
            pos = ff;
            if (pos >= end) {
                break;
            }
            continue;
        }
        const int marker = head[1];
        if (marker == 0xFF) {
            ++pos;  // fill byte
            continue;
        }
        // A stuffed zero, a restart marker, TEM or SOI: no length follows.
        if (marker == 0x00 || marker == 0x01 || marker == 0xD8 ||
            (marker >= 0xD0 && marker <= 0xD7)) {
            pos += 2;
            continue;
        }
        if (marker == 0xD9 || source.read(pos + 2, reinterpret_cast<char*>(head + 2), 2) < 2) {
            break;  // the end of the picture (anything after it is not decoded)
        }
        const std::int64_t length = qFromBigEndian<quint16>(head + 2);
        if (length < 2) {
            // libjpeg passes over an application block or comment whose length is less than its
            // own two bytes as if it held nothing, and stops at any other such marker.
            if ((marker >= 0xE0 && marker <= 0xEF) || marker == 0xFE) {
                pos += 4;
                continue;
            }
            break;
        }
        const std::int64_t payload = length - 2;
        if (isFrameMarker(marker) && !j.found) {
            unsigned char f[6 + 3 * 255];
            const std::int64_t got = source.read(pos + 4, reinterpret_cast<char*>(f),
                                                 std::min<std::int64_t>(payload, sizeof f));
            if (got < 6) {
                break;
            }
            j.found = true;
            j.frameMarker = marker;
            j.precision = f[0];
            j.height = qFromBigEndian<quint16>(f + 1);
            j.width = qFromBigEndian<quint16>(f + 3);
            const int count = std::min<int>(f[5], int((got - 6) / 3));
            int hMax = 1, vMax = 1;
            for (int c = 0; c < count; ++c) {
                const unsigned char factors = f[6 + 3 * c + 1];
                j.components.push_back(
                    {f[6 + 3 * c], std::max(1, factors >> 4), std::max(1, factors & 15)});
                hMax = std::max(hMax, j.components.back().h);
                vMax = std::max(vMax, j.components.back().v);
            }
            for (const JpegHeader::Component& c : j.components) {
                const double b = std::ceil(double(j.width) * c.h / (8.0 * hMax)) *
                                 std::ceil(double(j.height) * c.v / (8.0 * vMax));
                blocks[std::size_t(c.id)] = b;
                allBlocks += b;
            }
        } else if (marker == 0xE1 && !exifSeen && payload > 6) {
            // The decoder turns the picture by the first Exif block, as cameras write one.
            std::vector<unsigned char> app(static_cast<std::size_t>(payload));
            const std::int64_t got =
                source.read(pos + 4, reinterpret_cast<char*>(app.data()), payload);
            if (got > 6 && std::memcmp(app.data(), "Exif\0\0", 6) == 0) {
                exifSeen = true;
                j.orientation = ExifOrientation(app.data() + 6, std::size_t(got - 6));
            }
        } else if (marker == 0xE2 && payload >= 12) {
            char tag[12];
            if (source.read(pos + 4, tag, 12) == 12 && std::memcmp(tag, "ICC_PROFILE\0", 12) == 0) {
                j.colourProfile = true;
                j.profileBytes += payload;
            }
        } else if (marker == 0xDA) {
            unsigned char scan[1 + 2 * 4];
            const std::int64_t got = source.read(pos + 4, reinterpret_cast<char*>(scan),
                                                 std::min<std::int64_t>(payload, sizeof scan));
            const int count = got >= 1 ? std::min<int>(scan[0], int((got - 1) / 2)) : 0;
            if (j.firstScanComponents == 0 && got >= 1) {
                j.firstScanComponents = scan[0];
            }
            ++j.scans;
            firstScan = firstScan < 0 ? pos : firstScan;
            for (int c = 0; c < count; ++c) {
                coveredBlocks += blocks[scan[1 + 2 * c]];
            }
            if (!wholeStream) {
                break;
            }
        }
        pos += 2 + length;
    }
    j.passes = allBlocks > 0 ? coveredBlocks / allBlocks : 0;
    j.scanBytes = firstScan < 0 ? 0 : std::min(pos, size) - firstScan;
    return j;
}

PictureFootprint JpegFootprint(const JpegHeader& j, std::int64_t fileBytes) {
    PictureFootprint f;
    f.fileBytes = fileBytes;
    f.memoryBytes = fileBytes;
    if (j.tooManyBlocks) {
        f.refusal = QStringLiteral(
                        "JPEG 图片前的数据块太多（超过 %1 个，正常的图片只有几十个），"
                        "这样的文件不予打开")
                        .arg(kMaxJpegHeaderBlocks);
        return f;
    }
    if (!j.found) {
        return f;  // the decoder's own reading of the markers says what is wrong
    }
    const std::int64_t w = j.width, h = j.height;
    const int kind = j.frameMarker & 0x0F;  // 0, 1, 2: Huffman; 9, 10: arithmetic
    if (kind != 0 && kind != 1 && kind != 2 && kind != 9 && kind != 10) {
        f.refusal = QStringLiteral("这是无损或分层编码的 JPEG 图片，本程序不能读取这种 JPEG");
        return f;
    }
    if (j.precision != 8) {
        f.refusal = QStringLiteral("这是每个颜色 %1 位的 JPEG 图片，本程序只能读取 8 位的 JPEG")
                        .arg(j.precision);
        return f;
    }
    if (f.refusal = SizeRefusal(w, h); !f.refusal.isEmpty()) {
        return f;
    }
    f.size = j.uprightSize();
    // Every 8 x 8 block of a Huffman-coded picture takes at least one bit, so a file much
    // smaller than that cannot hold the picture its header claims.
    if (!j.arithmetic() && divideUp(w, 8) * divideUp(h, 8) / 8 > fileBytes) {
        f.refusal = QStringLiteral("图片文件不完整（可能没有复制完）");
        return f;
    }
    if (j.scans > kMaxJpegScans || j.passes > kMaxJpegPasses) {
        f.refusal = QStringLiteral(
                        "JPEG 图片有 %1 个扫描段，共扫描整张图片 %2 遍（正常的图片"
                        "最多几十段、十几遍），这样的文件会让解码耗时极长，不予打开")
                        .arg(j.scans)
                        .arg(int(j.passes));
        return f;
    }
    const int components = int(j.components.size());
    f.memoryBytes += w * h * 4;
    // A colour profile is held three times at once: libjpeg's saved blocks, the profile they make
    // and our copy of it.
    f.memoryBytes += 3 * j.profileBytes;
    // Four components (CMYK or YCCK) are decoded a row at a time into a row of their own first.
    if (components == 4) {
        f.memoryBytes += w * 4;
    }
    // Several scans make libjpeg keep every coefficient of the picture: 64 of two bytes per
    // block of each component at the component's own resolution, whole sampling units of them.
    if (j.progressive() || (j.firstScanComponents > 0 && j.firstScanComponents < components)) {
        int hMax = 1, vMax = 1;
        for (const auto& c : j.components) {
            hMax = std::max(hMax, c.h);
            vMax = std::max(vMax, c.v);
        }
        for (const auto& c : j.components) {
            const std::int64_t wide = divideUp(divideUp(w * c.h, 8LL * hMax), c.h) * c.h;
            const std::int64_t high = divideUp(divideUp(h * c.v, 8LL * vMax), c.v) * c.v;
            f.memoryBytes += wide * high * 128;
        }
    }
    // Turning the picture upright makes a turned copy (and a mirrored one of that for 5 and 7).
    if (j.orientation != 1) {
        f.memoryBytes += w * h * 4 * (j.orientation == 5 || j.orientation == 7 ? 2 : 1);
    }
    return f;
}

int ExifOrientation(const unsigned char* tiff, std::size_t size) {
    if (tiff == nullptr || size < 8) {
        return 1;
    }
    bool big;
    if (tiff[0] == 'M' && tiff[1] == 'M') {
        big = true;
    } else if (tiff[0] == 'I' && tiff[1] == 'I') {
        big = false;
    } else {
        return 1;
    }
    if (read16(tiff + 2, big) != 42) {
        return 1;
    }
    const std::uint32_t ifd = read32(tiff + 4, big);
    if (ifd > size || size - ifd < 2) {
        return 1;
    }
    const unsigned count = read16(tiff + ifd, big);
    for (unsigned i = 0; i < count; ++i) {
        const std::size_t entry = std::size_t(ifd) + 2 + 12 * std::size_t(i);
        if (entry + 12 > size) {
            return 1;
        }
        if (read16(tiff + entry, big) == 0x0112) {
            const unsigned type = read16(tiff + entry + 2, big);
            if (type != 3) {  // SHORT
                return 1;
            }
            const int value = read16(tiff + entry + 8, big);
            return value >= 1 && value <= 8 ? value : 1;
        }
    }
    return 1;
}

}  // namespace lanxi
