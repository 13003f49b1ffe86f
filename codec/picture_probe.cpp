#include "codec/picture_probe.h"

#include <QBuffer>
#include <QImageReader>
#include <QtEndian>
#include <algorithm>
#include <vector>

#include "base/errors.h"
#include "codec/jpeg_decode.h"
#include "codec/loader.h"
#include "base/log.h"
#include "system/regular_file.h"

namespace lanxi {
namespace {

// Enough for the header of every format Qt reads that puts its size up front.
constexpr std::int64_t kHeadBytes = 4096;
// A JPEG's markers are walked this far at most before its first scan.
constexpr int kMaxSegments = 4096;

bool acceptedSize(std::int64_t w, std::int64_t h) {
    return w > 0 && h > 0 && w <= kMaxPictureSide && h <= kMaxPictureSide &&
           w * h <= kMaxPicturePixels;
}

struct JpegHeader {
    std::int64_t width = 0, height = 0;
    bool found = false;  // a frame header was read
    bool progressive = false;
    bool arithmetic = false;
    struct Component {
        int h = 1, v = 1;
    };
    std::vector<Component> components;
    int firstScanComponents = 0;
    int orientation = 1;
};

bool isFrameMarker(unsigned char m) {
    return m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC;
}

JpegHeader readJpegHeader(const ByteReader& read, std::int64_t fileBytes) {
    JpegHeader j;
    std::int64_t pos = 2;
    unsigned char head[4];
    for (int i = 0; i < kMaxSegments && pos + 2 <= fileBytes; ++i) {
        if (read(pos, reinterpret_cast<char*>(head), 2) < 2 || head[0] != 0xFF) {
            break;
        }
        const unsigned char marker = head[1];
        if (marker == 0xFF) {
            ++pos;
            continue;
        }
        if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            pos += 2;
            continue;
        }
        if (marker == 0xD9 || read(pos + 2, reinterpret_cast<char*>(head + 2), 2) < 2) {
            break;
        }
        const std::int64_t length = qFromBigEndian<quint16>(head + 2);
        if (length < 2) {
            break;
        }
        const std::int64_t payload = length - 2;
        if (isFrameMarker(marker) && !j.found) {
            unsigned char f[6 + 3 * 255];
            const std::int64_t got = read(pos + 4, reinterpret_cast<char*>(f),
                                          std::min<std::int64_t>(payload, sizeof f));
            if (got < 6) {
                break;
            }
            j.found = true;
            j.height = qFromBigEndian<quint16>(f + 1);
            j.width = qFromBigEndian<quint16>(f + 3);
            j.progressive = marker == 0xC2 || marker == 0xC6 || marker == 0xCA || marker == 0xCE;
            j.arithmetic = marker >= 0xC9;
            const int count = std::min<int>(f[5], int((got - 6) / 3));
            for (int c = 0; c < count; ++c) {
                const unsigned char factors = f[6 + 3 * c + 1];
                j.components.push_back({std::max(1, factors >> 4), std::max(1, factors & 15)});
            }
        } else if (marker == 0xE1 && payload > 6) {
            // The orientation tag sits in the first directory, near the block's start.
            std::vector<char> app(std::size_t(std::min<std::int64_t>(payload, 8192)));
            const std::int64_t got = read(pos + 4, app.data(), std::int64_t(app.size()));
            if (got > 6 && std::equal(app.begin(), app.begin() + 6, "Exif\0\0")) {
                j.orientation = detail::ExifOrientation(
                    reinterpret_cast<const unsigned char*>(app.data()) + 6, std::size_t(got - 6));
            }
        } else if (marker == 0xDA) {
            unsigned char ns = 0;
            if (read(pos + 4, reinterpret_cast<char*>(&ns), 1) == 1) {
                j.firstScanComponents = ns;
            }
            break;
        }
        pos += 2 + length;
    }
    return j;
}

std::int64_t jpegMemory(const JpegHeader& j, std::int64_t fileBytes) {
    const std::int64_t w = j.width, h = j.height;
    const std::int64_t blocks = ((w + 7) / 8) * ((h + 7) / 8);
    if (!j.found || !acceptedSize(w, h) || (!j.arithmetic && blocks / 8 > fileBytes)) {
        return fileBytes;  // refused before any pixel memory is taken
    }
    std::int64_t memory = fileBytes + w * h * 4;
    // Several scans make libjpeg keep every coefficient of the picture: 64 of two bytes per
    // block of each component, at the component's own resolution.
    const int components = int(j.components.size());
    if (j.progressive || (j.firstScanComponents > 0 && j.firstScanComponents < components)) {
        int hMax = 1, vMax = 1;
        for (const auto& c : j.components) {
            hMax = std::max(hMax, c.h);
            vMax = std::max(vMax, c.v);
        }
        for (const auto& c : j.components) {
            const std::int64_t cw = (w * c.h + hMax - 1) / hMax;
            const std::int64_t ch = (h * c.v + vMax - 1) / vMax;
            memory += ((cw + 7) / 8) * ((ch + 7) / 8) * 128;
        }
    }
    // Turning the picture upright makes a turned copy (and a mirrored one of that for 5 and 7).
    if (j.orientation != 1) {
        memory += w * h * 4 * (j.orientation == 5 || j.orientation == 7 ? 2 : 1);
    }
    return memory;
}

}  // namespace

PictureFootprint ProbePicture(const ByteReader& read, std::int64_t fileBytes) {
    PictureFootprint f;
    f.fileBytes = fileBytes;
    f.memoryBytes = fileBytes;
    QByteArray head(int(std::min(kHeadBytes, fileBytes)), Qt::Uninitialized);
    head.truncate(int(read(0, head.data(), head.size())));
    const auto* p = reinterpret_cast<const uchar*>(head.constData());
    if (head.size() >= 3 && p[0] == 0xFF && p[1] == 0xD8 && p[2] == 0xFF) {
        const JpegHeader j = readJpegHeader(read, fileBytes);
        if (j.found) {
            f.size = j.orientation >= 5 ? QSize(int(j.height), int(j.width))
                                        : QSize(int(j.width), int(j.height));
        }
        f.memoryBytes = jpegMemory(j, fileBytes);
        return f;
    }
    // Another format is decoded by Qt into an image that is then converted to our 32-bit rows:
    // two pictures at the peak.
    if (head.size() >= 26 && p[0] == 'B' && p[1] == 'M') {
        const quint32 headerSize = qFromLittleEndian<quint32>(p + 14);
        if (headerSize == 12) {
            f.size = QSize(qFromLittleEndian<quint16>(p + 18), qFromLittleEndian<quint16>(p + 20));
        } else if (head.size() >= 30) {
            const qint64 h = qFromLittleEndian<qint32>(p + 22);
            f.size = QSize(qFromLittleEndian<qint32>(p + 18), int(h < 0 ? -h : h));
        }
    } else {
        QBuffer buffer(&head);
        buffer.open(QIODevice::ReadOnly);
        f.size = QImageReader(&buffer).size();
    }
    if (f.size.isValid() && acceptedSize(f.size.width(), f.size.height())) {
        f.memoryBytes += std::int64_t(f.size.width()) * f.size.height() * 4 * 2;
    }
    return f;
}

PictureFootprint ProbePictureFile(const QString& path) {
    try {
        RegularFile file;
        file.open(path);
        return ProbePicture(
            [&file](std::int64_t position, char* out, std::int64_t count) -> std::int64_t {
                return file.seek(position) ? file.read(out, count) : 0;
            },
            file.size());
    } catch (const Error& e) {
        qCDebug(lcProgram) << "no header read from" << path << ":" << e.message();
        return {};
    }
}

}  // namespace lanxi
