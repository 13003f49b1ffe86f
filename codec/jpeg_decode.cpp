#include "codec/jpeg_decode.h"

#include <QSize>
#include <QTransform>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "codec/libjpeg_errors.h"
#include "codec/loader.h"

namespace lanxi::detail {
namespace {

// A stream with more damage warnings than this is treated as not a picture, so that garbage
// data cannot keep the decoder busy.
constexpr int kMaxWarnings = 1000;

struct ErrorManager {
    JpegErrorJump base;
    int warnings;
    bool truncated;
    bool tooDamaged;
    bool damaged;
    bool cancelled;
    const std::atomic<bool>* cancel;
};

void onMessage(j_common_ptr cinfo, int level) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    if (level >= 0) {
        return;  // trace messages
    }
    switch (cinfo->err->msg_code) {
        case JWRN_JPEG_EOF:
            // The data ends before the picture does: a half-copied file. libjpeg would fill the
            // rest with grey; we refuse it instead.
            err->truncated = true;
            std::longjmp(err->base.jump, 1);
        case JWRN_HIT_MARKER:
        case JWRN_MUST_RESYNC:
        case JWRN_HUFF_BAD_CODE:
#if JPEG_LIB_VERSION >= 70 || defined(D_ARITH_CODING_SUPPORTED)
        case JWRN_ARITH_BAD_CODE:
#endif
            // Coded data was lost: the decoder goes on after it, and grey fills the gap.
            err->damaged = true;
            break;
        default:
            // The rest (extra bytes before a marker, an unknown JFIF revision, a bad ICC
            // block) are common in real cameras' files and cost no pixels.
            break;
    }
    if (++err->warnings > kMaxWarnings) {
        err->tooDamaged = true;
        std::longjmp(err->base.jump, 1);
    }
}

// Called by libjpeg at every row of output and every row of blocks read, so a stop request or
// a stream with too many scans ends the decoding within milliseconds.
void onProgress(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    if (err->cancel != nullptr && err->cancel->load(std::memory_order_relaxed)) {
        err->cancelled = true;
        std::longjmp(err->base.jump, 1);
    }
    // The scans were counted before decoding; this only guards against a count that missed.
    if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxJpegScans) {
        cinfo->err->msg_code = JERR_BAD_SCAN_SCRIPT;
        std::longjmp(err->base.jump, 1);
    }
}

struct Decoder {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    jpeg_progress_mgr progress;
};

// Every libjpeg call that may fail runs inside one of these two functions, whose frames hold
// nothing but plain data, so the long jump out of the library skips no destructor.
bool readHeader(Decoder* d, const unsigned char* data, unsigned long size) {
    if (setjmp(d->err.base.jump)) {
        return false;
    }
    jpeg_mem_src(&d->cinfo, data, size);
    jpeg_save_markers(&d->cinfo, JPEG_APP0 + 1, 0xffff);
    jpeg_read_header(&d->cinfo, TRUE);
    const J_COLOR_SPACE in = d->cinfo.jpeg_color_space;
    if (in == JCS_CMYK || in == JCS_YCCK) {
        d->cinfo.out_color_space = JCS_CMYK;
    } else {
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
        d->cinfo.out_color_space = JCS_EXT_BGRX;
#else
        d->cinfo.out_color_space = JCS_EXT_XRGB;
#endif
    }
    d->cinfo.dct_method = JDCT_ISLOW;
    jpeg_calc_output_dimensions(&d->cinfo);
    return true;
}

// Decodes at n/8 of the full size, n from 1 to 8.
bool scaleTo(Decoder* d, int eighths) {
    if (setjmp(d->err.base.jump)) {
        return false;
    }
    d->cinfo.scale_num = unsigned(eighths);
    d->cinfo.scale_denom = 8;
    jpeg_calc_output_dimensions(&d->cinfo);
    return true;
}

bool decodeRows(Decoder* d, unsigned char* bits, std::size_t bytesPerLine, unsigned char* cmykRow) {
    if (setjmp(d->err.base.jump)) {
        return false;
    }
    jpeg_start_decompress(&d->cinfo);
    while (d->cinfo.output_scanline < d->cinfo.output_height) {
        const JDIMENSION y = d->cinfo.output_scanline;
        unsigned char* out = bits + y * bytesPerLine;
        if (cmykRow == nullptr) {
            JSAMPROW row = out;
            jpeg_read_scanlines(&d->cinfo, &row, 1);
            continue;
        }
        JSAMPROW row = cmykRow;
        jpeg_read_scanlines(&d->cinfo, &row, 1);
        // Adobe writes CMYK inverted; the product of ink and key then gives each channel.
        const bool inverted = d->cinfo.saw_Adobe_marker;
        auto* px = reinterpret_cast<quint32*>(out);
        for (JDIMENSION x = 0; x < d->cinfo.output_width; ++x) {
            unsigned c = cmykRow[4 * x], m = cmykRow[4 * x + 1], yy = cmykRow[4 * x + 2],
                     k = cmykRow[4 * x + 3];
            if (!inverted) {
                c = 255 - c, m = 255 - m, yy = 255 - yy, k = 255 - k;
            }
            px[x] = qRgb(int(c * k / 255), int(m * k / 255), int(yy * k / 255));
        }
    }
    jpeg_finish_decompress(&d->cinfo);
    return true;
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

int orientationOf(jpeg_decompress_struct* cinfo) {
    for (jpeg_saved_marker_ptr m = cinfo->marker_list; m != nullptr; m = m->next) {
        if (m->marker == JPEG_APP0 + 1 && m->data_length > 6 &&
            std::memcmp(m->data, "Exif\0\0", 6) == 0) {
            return ExifOrientation(m->data + 6, m->data_length - 6);
        }
    }
    return 1;
}

}  // namespace

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

QImage Orient(const QImage& image, int orientation) {
    switch (orientation) {
        case 2:
            return image.mirrored(true, false);
        case 3:
            return image.mirrored(true, true);
        case 4:
            return image.mirrored(false, true);
        case 5:
            return image.transformed(QTransform().rotate(90)).mirrored(true, false);
        case 6:
            return image.transformed(QTransform().rotate(90));
        case 7:
            return image.transformed(QTransform().rotate(270)).mirrored(true, false);
        case 8:
            return image.transformed(QTransform().rotate(270));
        default:
            return image;
    }
}

JpegScans CountJpegScans(const unsigned char* data, std::size_t size) {
    JpegScans found;
    // Blocks of each component by its id, from the frame header.
    std::array<double, 256> blocks{};
    double allBlocks = 0;
    double coveredBlocks = 0;
    std::size_t pos = 2;  // after SOI
    while (pos + 1 < size) {
        if (data[pos] != 0xFF) {
            // Entropy-coded data, most of the file: on to the next byte that may start a marker.
            const void* next = std::memchr(data + pos, 0xFF, size - pos);
            if (next == nullptr) {
                break;
            }
            pos = std::size_t(static_cast<const unsigned char*>(next) - data);
            continue;
        }
        const unsigned char marker = data[pos + 1];
        if (marker == 0xFF) {
            ++pos;  // fill byte
            continue;
        }
        // A stuffed zero, a restart marker or TEM: no length follows.
        if (marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            pos += 2;
            continue;
        }
        if (marker == 0xD9 || pos + 4 > size) {
            break;  // the end of the picture (anything after it is not decoded)
        }
        const std::size_t length = std::size_t(data[pos + 2]) << 8 | data[pos + 3];
        if (length < 2) {
            break;
        }
        const unsigned char* segment = data + pos + 4;
        const std::size_t available = std::min(length - 2, size - pos - 4);
        const bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame && allBlocks == 0 && available >= 6) {
            const double h = segment[1] << 8 | segment[2];
            const double w = segment[3] << 8 | segment[4];
            const int count = std::min<int>(segment[5], int((available - 6) / 3));
            int hMax = 1, vMax = 1;
            for (int c = 0; c < count; ++c) {
                hMax = std::max(hMax, segment[6 + 3 * c + 1] >> 4);
                vMax = std::max(vMax, segment[6 + 3 * c + 1] & 15);
            }
            for (int c = 0; c < count; ++c) {
                const int hs = segment[6 + 3 * c + 1] >> 4, vs = segment[6 + 3 * c + 1] & 15;
                const double b = std::ceil(std::ceil(w * hs / hMax) / 8) *
                                 std::ceil(std::ceil(h * vs / vMax) / 8);
                blocks[segment[6 + 3 * c]] = b;
                allBlocks += b;
            }
        } else if (marker == 0xDA) {
            ++found.scans;
            const int count =
                available >= 1 ? std::min<int>(segment[0], int((available - 1) / 2)) : 0;
            for (int c = 0; c < count; ++c) {
                coveredBlocks += blocks[segment[1 + 2 * c]];
            }
        }
        pos += 2 + length;
    }
    found.passes = allBlocks > 0 ? coveredBlocks / allBlocks : 0;
    return found;
}

QString JpegErrorText(int code) {
    switch (code) {
        case JERR_NO_SOI:
        case JERR_NO_IMAGE:
            return QStringLiteral("不是 JPEG 图片");
        case JERR_SOF_UNSUPPORTED:
        case JERR_NOT_COMPILED:
            return QStringLiteral("不支持这种 JPEG 编码方式（无损或分层编码）");
        case JERR_BAD_PRECISION:
            return QStringLiteral("不支持这种 JPEG 数据精度");
        case JERR_COMPONENT_COUNT:
        case JERR_BAD_J_COLORSPACE:
        case JERR_CONVERSION_NOTIMPL:
            return QStringLiteral("不支持这种 JPEG 颜色格式");
        case JERR_OUT_OF_MEMORY:
        case JERR_NO_BACKING_STORE:
            return QStringLiteral("内存不足");
        case JERR_IMAGE_TOO_BIG:
        case JERR_WIDTH_OVERFLOW:
            return QStringLiteral("图片尺寸过大");
        case JERR_EMPTY_IMAGE:
            return QStringLiteral("图片的高为 0");
        case JERR_BAD_SCAN_SCRIPT:
            return QStringLiteral("扫描段过多");
        default:
            return QStringLiteral("文件结构或图片数据已损坏");
    }
}

namespace {

// The scale (in eighths) a picture stored at w x h with the given orientation is decoded at,
// for a caller that needs `enough` of its upright size.
int eighthsNeeded(qint64 w, qint64 h, int orientation, const std::function<QSize(QSize)>& enough) {
    if (!enough) {
        return 8;
    }
    const bool turned = orientation >= 5;  // stored lying on its side
    const QSize upright = turned ? QSize(int(h), int(w)) : QSize(int(w), int(h));
    const QSize needed = enough(upright);
    const int n = EighthsFor(QSize(int(w), int(h)), turned ? needed.transposed() : needed);
    // Only the scales 1/8, 1/4, 1/2 and 1 have SIMD inverse DCTs in libjpeg-turbo; the others
    // run in plain C and take more time than the next of those, for fewer pixels (3/8 as long
    // as 1/2, 5/8 and 6/8 longer than the whole picture). So the next of those is taken.
    return n <= 1 ? 1 : n <= 2 ? 2 : n <= 4 ? 4 : 8;
}

}  // namespace

int EighthsFor(QSize full, QSize enough) {
    for (int n = 1; n < 8; ++n) {
        // libjpeg rounds a scaled side up.
        if ((qint64(full.width()) * n + 7) / 8 >= enough.width() &&
            (qint64(full.height()) * n + 7) / 8 >= enough.height()) {
            return n;
        }
    }
    return 8;
}

JpegDecodeResult DecodeJpeg(const QByteArray& bytes, const std::atomic<bool>* cancel,
                            const std::function<QSize(QSize)>& enough) {
    JpegDecodeResult result;
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
    if (const JpegScans s = CountJpegScans(data, std::size_t(bytes.size()));
        s.scans > kMaxJpegScans || s.passes > kMaxJpegPasses) {
        result.reason = QStringLiteral(
                            "JPEG 图片有 %1 个扫描段，共扫描整张图片 %2 遍（正常的图片"
                            "最多几十段、十几遍），这样的文件会让解码耗时极长，不予打开")
                            .arg(s.scans)
                            .arg(int(s.passes));
        return result;
    }

    Decoder d{};
    UseJpegErrorJump(&d.cinfo, &d.err.base);
    d.err.base.pub.emit_message = onMessage;
    d.err.cancel = cancel;
    jpeg_create_decompress(&d.cinfo);
    d.progress.progress_monitor = onProgress;
    d.cinfo.progress = &d.progress;
    // Keeps libjpeg's own working memory (progressive pictures need whole-picture buffers)
    // within what an accepted picture may need. (long has 32 bits on Windows.)
    d.cinfo.mem->max_memory_to_use =
        long(std::min<long long>(4LL * 1024 * 1024 * 1024, std::numeric_limits<long>::max()));

    QImage image;
    QString why;
    const auto failure = [&d] {
        if (d.err.truncated) {
            return QStringLiteral("图片文件不完整（可能没有复制完）");
        }
        if (d.err.tooDamaged) {
            return QStringLiteral("JPEG 图片数据已严重损坏");
        }
        if (d.err.cancelled) {
            return QStringLiteral("已停止");
        }
        return QStringLiteral("JPEG 图片已损坏（%1）").arg(JpegErrorText(d.err.base.pub.msg_code));
    };
    if (!readHeader(&d, data, static_cast<unsigned long>(bytes.size()))) {
        why = failure();
    } else {
        // Read now: finishing the decompression frees the saved markers.
        const int orientation = orientationOf(&d.cinfo);
        // The limits below are the file's, whatever scale it is decoded at.
        const qint64 w = d.cinfo.image_width;
        const qint64 h = d.cinfo.image_height;
        // Every 8 x 8 block of a Huffman-coded picture takes at least one bit, so a file much
        // smaller than that cannot hold the picture its header claims.
        const qint64 blocks = ((w + 7) / 8) * ((h + 7) / 8);
        if (w <= 0 || h <= 0) {
            why = QStringLiteral("JPEG 图片的宽或高为 0");
        } else if (w > kMaxPictureSide || h > kMaxPictureSide || w * h > kMaxPicturePixels) {
            why = QStringLiteral("图片尺寸过大（%1 × %2 像素），无法打开").arg(w).arg(h);
        } else if (!d.cinfo.arith_code && blocks / 8 > bytes.size()) {
            why = QStringLiteral("图片文件不完整（可能没有复制完）");
        } else if (const int n = eighthsNeeded(w, h, orientation, enough);
                   n < 8 && !scaleTo(&d, n)) {
            why = failure();
        } else {
            const qint64 ow = d.cinfo.output_width;
            const qint64 oh = d.cinfo.output_height;
            image = QImage(int(ow), int(oh), QImage::Format_RGB32);
            QByteArray cmyk;
            if (d.cinfo.out_color_space == JCS_CMYK) {
                cmyk.resize(ow * 4);
            }
            if (image.isNull()) {
                why = QStringLiteral("内存不足，无法打开这张图片（%1 × %2 像素）").arg(w).arg(h);
            } else if (!decodeRows(&d, image.bits(), std::size_t(image.bytesPerLine()),
                                   cmyk.isEmpty()
                                       ? nullptr
                                       : reinterpret_cast<unsigned char*>(cmyk.data()))) {
                image = QImage();
                why = failure();
            } else {
                if (orientation != 1) {
                    image = Orient(image, orientation);
                    if (image.isNull()) {
                        why = QStringLiteral("内存不足，无法打开这张图片");
                    }
                }
            }
        }
    }
    jpeg_destroy_decompress(&d.cinfo);
    result.image = std::move(image);
    result.reason = why;
    result.damaged = d.err.damaged;
    result.cancelled = d.err.cancelled;
    return result;
}

}  // namespace lanxi::detail
