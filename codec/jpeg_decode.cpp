#include "codec/jpeg_decode.h"

#include <QSize>
#include <QTransform>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>

#include "codec/jpeg_header.h"
#include "codec/libjpeg_errors.h"
#include "codec/limits.h"
#include "codec/source.h"
#include "colour/colour.h"

namespace lanxi {
namespace {

using detail::JpegErrorJump;

// A stream with more damage warnings than this is treated as not a picture, so that garbage
// data cannot keep the decoder busy.
constexpr int kMaxWarnings = 1000;

struct ErrorManager {
    JpegErrorJump base;
    int warnings;
    bool truncated;
    bool tooDamaged;
    bool damaged;
    bool stopped;
    const Stop* stop;
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
    if (Stop::Requested(err->stop)) {
        err->stopped = true;
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
    JOCTET* profile;  // the ICC profile the APP2 blocks carry, malloc'd by libjpeg; or null
    unsigned int profileLength;
};

// Every libjpeg call that may fail runs inside one of these two functions, whose frames hold
// nothing but plain data, so the long jump out of the library skips no destructor.
bool readHeader(Decoder* d, const unsigned char* data, unsigned long size) {
    if (setjmp(d->err.base.jump)) {
        return false;
    }
    jpeg_mem_src(&d->cinfo, data, size);
    jpeg_save_markers(&d->cinfo, JPEG_APP0 + 2, 0xffff);
    jpeg_read_header(&d->cinfo, TRUE);
    if (!jpeg_read_icc_profile(&d->cinfo, &d->profile, &d->profileLength)) {
        d->profile = nullptr;
    }
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

bool decodeRows(Decoder* d, unsigned char* bits, std::size_t bytesPerLine, unsigned char* cmykRow,
                const CmykToSrgb* cmykProfile) {
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
        auto* px = reinterpret_cast<quint32*>(out);
        if (cmykProfile != nullptr) {
            cmykProfile->convert(cmykRow, px, int(d->cinfo.output_width));
            continue;
        }
        // Without a profile: Adobe writes CMYK inverted; the product of ink and key then gives
        // each channel.
        const bool inverted = d->cinfo.saw_Adobe_marker;
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

}  // namespace

QImage Orient(const QImage& image, int orientation, std::int64_t* held) {
    QImage turned;
    QImage result;
    switch (orientation) {
        case 2:
            result = image.mirrored(true, false);
            break;
        case 3:
            result = image.mirrored(true, true);
            break;
        case 4:
            result = image.mirrored(false, true);
            break;
        case 5:
            turned = image.transformed(QTransform().rotate(90));
            result = turned.mirrored(true, false);
            break;
        case 6:
            result = image.transformed(QTransform().rotate(90));
            break;
        case 7:
            turned = image.transformed(QTransform().rotate(270));
            result = turned.mirrored(true, false);
            break;
        case 8:
            result = image.transformed(QTransform().rotate(270));
            break;
        default:
            return image;
    }
    if (held != nullptr) {
        *held = turned.sizeInBytes() + result.sizeInBytes();
    }
    return result;
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
            return QStringLiteral("图片的宽或高为 0");
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

// The whole-picture coefficient buffers libjpeg allocated for a stream of several scans (a
// progressive one, or one whose first scan leaves out components): a block of 64 two-byte
// coefficients for every block of each component, rounded up to whole sampling units.
std::int64_t coefficientBytes(const jpeg_decompress_struct* cinfo) {
    if (!cinfo->progressive_mode && cinfo->comps_in_scan >= cinfo->num_components) {
        return 0;
    }
    std::int64_t bytes = 0;
    for (int c = 0; c < cinfo->num_components; ++c) {
        const jpeg_component_info& comp = cinfo->comp_info[c];
        const auto roundUp = [](std::int64_t n, std::int64_t unit) {
            return (n + unit - 1) / unit * unit;
        };
        bytes += roundUp(comp.width_in_blocks, comp.h_samp_factor) *
                 roundUp(comp.height_in_blocks, comp.v_samp_factor) * std::int64_t(sizeof(JBLOCK));
    }
    return bytes;
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

Decoded DecodeJpeg(const QByteArray& bytes, const DecodeRequest& request) {
    const Stop* stop = request.stop;
    const std::function<QSize(QSize)>& enough = request.enough;
    Decoded result;
    // The header's rules first, read by the walk the batch's probe makes.
    const JpegHeader header = ReadJpegHeader(MemorySource(bytes), true);
    const PictureFootprint footprint = JpegFootprint(header, bytes.size());
    if (!footprint.refusal.isEmpty()) {
        result.reason = footprint.refusal;
        return result;
    }
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());

    Decoder d{};
    detail::UseJpegErrorJump(&d.cinfo, &d.err.base);
    d.err.base.pub.emit_message = onMessage;
    d.err.stop = stop;
    jpeg_create_decompress(&d.cinfo);
    d.progress.progress_monitor = onProgress;
    d.cinfo.progress = &d.progress;
    // Keeps libjpeg's own working memory (progressive pictures need whole-picture buffers)
    // within what an accepted picture may need. (long has 32 bits on Windows.)
    d.cinfo.mem->max_memory_to_use =
        long(std::min<long long>(4LL * 1024 * 1024 * 1024, std::numeric_limits<long>::max()));

    QImage image;
    QString why;
    std::int64_t peak = bytes.size();
    QByteArray profile;
    std::unique_ptr<CmykToSrgb> cmykProfile;
    const auto failure = [&d] {
        if (d.err.truncated) {
            return QStringLiteral("图片文件不完整（可能没有复制完）");
        }
        if (d.err.tooDamaged) {
            return QStringLiteral("JPEG 图片数据已严重损坏");
        }
        if (d.err.stopped) {
            return QStringLiteral("已停止");
        }
        return QStringLiteral("JPEG 图片已损坏（%1）").arg(JpegErrorText(d.err.base.pub.msg_code));
    };
    if (!readHeader(&d, data, static_cast<unsigned long>(bytes.size()))) {
        why = failure();
    } else if (!header.found || std::int64_t(d.cinfo.image_width) != header.width ||
               std::int64_t(d.cinfo.image_height) != header.height) {
        // libjpeg found another frame than the walk: the stream's structure is broken, and what
        // the probe told of it would be wrong.
        why = QStringLiteral("JPEG 图片的文件结构已损坏");
    } else {
        // The profile is kept where it fits the picture: a CMYK one is used while decoding, an
        // RGB or grey one afterwards; one of another kind than the picture is no use.
        if (d.profile != nullptr) {
            profile =
                QByteArray(reinterpret_cast<const char*>(d.profile), qsizetype(d.profileLength));
            std::free(d.profile);
            d.profile = nullptr;
        }
        const QByteArray kind = profile.mid(16, 4);
        if (d.cinfo.out_color_space == JCS_CMYK) {
            if (kind == "CMYK") {
                cmykProfile = std::make_unique<CmykToSrgb>(profile, d.cinfo.saw_Adobe_marker != 0);
            }
        } else if ((d.cinfo.num_components == 1 && kind == "GRAY") ||
                   (d.cinfo.num_components == 3 && kind == "RGB ")) {
            result.colour.icc = profile;
        }
        const int orientation = header.orientation;
        const qint64 w = header.width;
        const qint64 h = header.height;
        if (const int n = eighthsNeeded(w, h, orientation, enough); n < 8 && !scaleTo(&d, n)) {
            why = failure();
        } else {
            const qint64 ow = d.cinfo.output_width;
            const qint64 oh = d.cinfo.output_height;
            image = QImage(int(ow), int(oh), QImage::Format_RGB32);
            QByteArray cmyk;
            if (d.cinfo.out_color_space == JCS_CMYK) {
                cmyk.resize(ow * 4);
            }
            peak +=
                image.sizeInBytes() + cmyk.size() + coefficientBytes(&d.cinfo) + 3 * profile.size();
            if (image.isNull()) {
                why = NoMemoryFor(w, h);
            } else if (!decodeRows(
                           &d, image.bits(), std::size_t(image.bytesPerLine()),
                           cmyk.isEmpty() ? nullptr : reinterpret_cast<unsigned char*>(cmyk.data()),
                           cmykProfile && cmykProfile->valid() ? cmykProfile.get() : nullptr)) {
                image = QImage();
                why = failure();
            } else if (orientation != 1) {
                std::int64_t turned = 0;
                image = Orient(image, orientation, &turned);
                peak += turned;
                if (image.isNull()) {
                    why = QStringLiteral("内存不足，无法打开这张图片");
                }
            }
        }
    }
    std::free(d.profile);
    jpeg_destroy_decompress(&d.cinfo);
    result.image = std::move(image);
    result.reason = why;
    result.damaged = d.err.damaged;
    result.stopped = d.err.stopped;
    result.peakBytes = peak;
    return result;
}

}  // namespace lanxi
