#include "picture/jpeg_decode.h"

#include <QTransform>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include "picture/loader.h"

extern "C" {
#include <jerror.h>
#include <jpeglib.h>
}

namespace lanxi::detail {
namespace {

// A stream with more damage warnings than this is treated as not a picture, so that garbage
// data cannot keep the decoder busy.
constexpr int kMaxWarnings = 1000;

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    int warnings;
    bool truncated;
    bool tooDamaged;
};

[[noreturn]] void onError(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

void onMessage(j_common_ptr cinfo, int level) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    if (level >= 0) {
        return;  // trace messages
    }
    if (cinfo->err->msg_code == JWRN_JPEG_EOF) {
        // The data ends before the picture does: a half-copied file. libjpeg would fill the
        // rest with grey; we refuse it instead.
        err->truncated = true;
        std::longjmp(err->jump, 1);
    }
    if (++err->warnings > kMaxWarnings) {
        err->tooDamaged = true;
        std::longjmp(err->jump, 1);
    }
}

struct Decoder {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
};

// Every libjpeg call that may fail runs inside one of these two functions, whose frames hold
// nothing but plain data, so the long jump out of the library skips no destructor.
bool readHeader(Decoder* d, const unsigned char* data, unsigned long size) {
    if (setjmp(d->err.jump)) {
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

bool decodeRows(Decoder* d, unsigned char* bits, std::size_t bytesPerLine, unsigned char* cmykRow) {
    if (setjmp(d->err.jump)) {
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

QImage DecodeJpeg(const QByteArray& bytes, QString* reason) {
    Decoder d{};
    d.cinfo.err = jpeg_std_error(&d.err.pub);
    d.err.pub.error_exit = onError;
    d.err.pub.emit_message = onMessage;
    jpeg_create_decompress(&d.cinfo);
    // Keeps libjpeg's own working memory (progressive pictures need whole-picture buffers)
    // within what an accepted picture may need.
    d.cinfo.mem->max_memory_to_use = 4L * 1024 * 1024 * 1024;

    QImage image;
    QString why;
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
    if (!readHeader(&d, data, static_cast<unsigned long>(bytes.size()))) {
        why = d.err.truncated ? QStringLiteral("图片文件不完整（可能没有复制完）")
                              : QStringLiteral("JPEG 图片已损坏（%1）")
                                    .arg(QString::fromLocal8Bit(d.err.message));
    } else {
        // Read now: finishing the decompression frees the saved markers.
        const int orientation = orientationOf(&d.cinfo);
        const qint64 w = d.cinfo.output_width;
        const qint64 h = d.cinfo.output_height;
        // Every 8 x 8 block of a Huffman-coded picture takes at least one bit, so a file much
        // smaller than that cannot hold the picture its header claims.
        const qint64 blocks = ((w + 7) / 8) * ((h + 7) / 8);
        if (w <= 0 || h <= 0) {
            why = QStringLiteral("JPEG 图片的宽或高为 0");
        } else if (w > kMaxPictureSide || h > kMaxPictureSide || w * h > kMaxPicturePixels) {
            why = QStringLiteral("图片尺寸过大（%1 × %2 像素），无法打开").arg(w).arg(h);
        } else if (!d.cinfo.arith_code && blocks / 8 > bytes.size()) {
            why = QStringLiteral("图片文件不完整（可能没有复制完）");
        } else {
            image = QImage(int(w), int(h), QImage::Format_RGB32);
            QByteArray cmyk;
            if (d.cinfo.out_color_space == JCS_CMYK) {
                cmyk.resize(w * 4);
            }
            if (image.isNull()) {
                why = QStringLiteral("内存不足，无法打开这张图片（%1 × %2 像素）").arg(w).arg(h);
            } else if (!decodeRows(&d, image.bits(), std::size_t(image.bytesPerLine()),
                                   cmyk.isEmpty()
                                       ? nullptr
                                       : reinterpret_cast<unsigned char*>(cmyk.data()))) {
                image = QImage();
                if (d.err.truncated) {
                    why = QStringLiteral("图片文件不完整（可能没有复制完）");
                } else if (d.err.tooDamaged) {
                    why = QStringLiteral("JPEG 图片数据已严重损坏");
                } else {
                    why = QStringLiteral("JPEG 图片已损坏（%1）")
                              .arg(QString::fromLocal8Bit(d.err.message));
                }
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
    if (reason != nullptr) {
        *reason = why;
    }
    return image;
}

}  // namespace lanxi::detail
