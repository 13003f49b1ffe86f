#include "codec/jpeg_file.h"

#include <QImage>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <new>

#include "codec/libjpeg_errors.h"
#include "system/safe_file.h"

namespace lanxi {
namespace {

using detail::JpegErrorJump;
using detail::UseJpegErrorJump;

// How much compressed data is gathered before it goes to the file.
constexpr std::size_t kOutputChunk = 64 * 1024;
// How many rows are handed to the encoder per call.
constexpr int kRowsPerCall = 16;

// A picture's 32-bit rows as libjpeg reads them: blue, green, red, unused in memory order on a
// little-endian machine.
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
constexpr J_COLOR_SPACE kPixelLayout = JCS_EXT_BGRX;
#else
constexpr J_COLOR_SPACE kPixelLayout = JCS_EXT_XRGB;
#endif

// Compressed data goes through this buffer into the file, or into memory.
struct FileDestination {
    jpeg_destination_mgr pub;
    SafeFile* file;
    QByteArray* memory;
    JOCTET buffer[kOutputChunk];
};

// Everything one call owns inside libjpeg, in one block that lives on the heap (the output
// buffer is too large for a thread's stack). Value-initialised, so that destroying an encoder
// that was never created is harmless.
struct Encoder {
    jpeg_compress_struct cinfo;
    JpegErrorJump err;
    FileDestination dest;
    const std::atomic<bool>* cancel;
    bool cancelled;
};

FileDestination* destinationOf(j_compress_ptr cinfo) {
    return reinterpret_cast<FileDestination*>(cinfo->dest);
}

bool writeOut(FileDestination* dest, std::size_t size) {
    try {
        const auto* data = reinterpret_cast<const char*>(dest->buffer);
        if (dest->memory != nullptr) {
            dest->memory->append(data, qsizetype(size));
            return true;
        }
        return dest->file->write(data, qint64(size));
    } catch (...) {
        return false;  // nothing may be thrown through libjpeg's C frames
    }
}

void initDestination(j_compress_ptr cinfo) {
    FileDestination* dest = destinationOf(cinfo);
    dest->pub.next_output_byte = dest->buffer;
    dest->pub.free_in_buffer = kOutputChunk;
}

boolean emptyOutputBuffer(j_compress_ptr cinfo) {
    FileDestination* dest = destinationOf(cinfo);
    // libjpeg asks for the whole buffer to be written, whatever free_in_buffer says.
    if (!writeOut(dest, kOutputChunk)) {
        ERREXIT(cinfo, JERR_FILE_WRITE);
    }
    initDestination(cinfo);
    return TRUE;
}

void termDestination(j_compress_ptr cinfo) {
    FileDestination* dest = destinationOf(cinfo);
    const std::size_t used = kOutputChunk - dest->pub.free_in_buffer;
    if (used > 0 && !writeOut(dest, used)) {
        ERREXIT(cinfo, JERR_FILE_WRITE);
    }
}

// True when red, green and blue are equal in every pixel. Such a picture is written with one
// component: the colour components would only repeat the grey, and cost bytes doing it. A
// colour picture usually shows so at its first pixels.
bool isGrey(const QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = row[x];
            if (qRed(p) != qGreen(p) || qGreen(p) != qBlue(p)) {
                return false;
            }
        }
    }
    return true;
}

// Every libjpeg call that may fail runs in here. Its frame holds nothing but plain data, so the
// long jump out of the library skips no destructor; the caller destroys the encoder.
bool compress(Encoder* e, const uchar* bits, qsizetype bytesPerLine, int width, int height,
              bool grey, const JpegSettings* settings) {
    if (setjmp(e->err.jump)) {
        return false;
    }
    jpeg_compress_struct* cinfo = &e->cinfo;
    jpeg_create_compress(cinfo);
    e->dest.pub.init_destination = initDestination;
    e->dest.pub.empty_output_buffer = emptyOutputBuffer;
    e->dest.pub.term_destination = termDestination;
    cinfo->dest = &e->dest.pub;

    cinfo->image_width = JDIMENSION(width);
    cinfo->image_height = JDIMENSION(height);
    cinfo->input_components = 4;
    cinfo->in_color_space = kPixelLayout;
    jpeg_set_defaults(cinfo);  // YCbCr with a JFIF header, 4:2:0, no other markers
    // Baseline tables (no entry above 255): every decoder reads them, also at low quality.
    jpeg_set_quality(cinfo, settings->quality, TRUE);
    cinfo->optimize_coding = TRUE;
    cinfo->dct_method = JDCT_ISLOW;
    if (grey) {
        // The encoder takes the grey from the rows exactly (its weights add up to one).
        jpeg_set_colorspace(cinfo, JCS_GRAYSCALE);
    } else if (!settings->subsampleChroma) {
        cinfo->comp_info[0].h_samp_factor = 1;
        cinfo->comp_info[0].v_samp_factor = 1;
    }
    jpeg_start_compress(cinfo, TRUE);

    // The rows are read in place: the encoder converts the colours as it goes, so no converted
    // copy of the picture is made. libjpeg only reads them.
    JSAMPROW rows[kRowsPerCall];
    while (cinfo->next_scanline < cinfo->image_height) {
        if (e->cancel != nullptr && e->cancel->load(std::memory_order_relaxed)) {
            e->cancelled = true;
            return false;
        }
        const int first = int(cinfo->next_scanline);
        const int count = std::min(kRowsPerCall, height - first);
        for (int i = 0; i < count; ++i) {
            rows[i] = const_cast<JSAMPROW>(bits + (first + i) * bytesPerLine);
        }
        jpeg_write_scanlines(cinfo, rows, JDIMENSION(count));
    }
    jpeg_finish_compress(cinfo);
    return true;
}

}  // namespace

namespace {

// Encodes the picture into `file` or, without one, into `memory`. False with the reason; a file
// is then abandoned (the caller commits it on success).
bool encode(const StdPicture& picture, const JpegSettings& settings, SafeFile* file,
            QByteArray* memory, QString* reason, const std::atomic<bool>* cancel) {
    const auto refuse = [reason](const QString& why) {
        if (reason != nullptr) {
            *reason = why;
        }
        return false;
    };
    if (picture.isEmpty()) {
        return refuse(QStringLiteral("没有可以保存的图片"));
    }
    if (settings.quality < 0 || settings.quality > 100) {
        return refuse(QStringLiteral("JPEG 质量 %1 无效（应为 0 到 100）").arg(settings.quality));
    }
    // A picture always holds 32-bit rows; anything else is converted rather than misread.
    QImage converted;
    const QImage* image = &picture.image();
    if (image->format() != QImage::Format_RGB32) {
        converted = image->convertToFormat(QImage::Format_RGB32);
        if (converted.isNull()) {
            return refuse(QStringLiteral("内存不足，无法保存这张图片"));
        }
        image = &converted;
    }
    if (image->width() > JPEG_MAX_DIMENSION || image->height() > JPEG_MAX_DIMENSION) {
        return refuse(QStringLiteral("图片过大（%1 × %2 像素），JPEG 文件的宽和高最多 %3 像素")
                          .arg(image->width())
                          .arg(image->height())
                          .arg(JPEG_MAX_DIMENSION));
    }
    std::unique_ptr<Encoder> encoder(new (std::nothrow) Encoder());
    if (!encoder) {
        return refuse(QStringLiteral("内存不足，无法保存这张图片"));
    }
    UseJpegErrorJump(&encoder->cinfo, &encoder->err);
    encoder->dest.file = file;
    encoder->dest.memory = memory;
    encoder->cancel = cancel;

    const bool encoded = compress(encoder.get(), image->constBits(), image->bytesPerLine(),
                                  image->width(), image->height(), isGrey(*image), &settings);
    const bool writeFailed = encoder->err.pub.msg_code == JERR_FILE_WRITE;
    jpeg_destroy_compress(&encoder->cinfo);
    if (encoded) {
        return true;
    }
    if (file != nullptr) {
        if (writeFailed) {
            return refuse(file->reason());  // the file said why it refused the data
        }
        file->abandon();
    }
    if (encoder->cancelled) {
        return refuse(QStringLiteral("已停止"));
    }
    // The encoder refuses only what it was never given by us (a bad setting, no memory).
    return refuse(
        encoder->err.pub.msg_code == JERR_OUT_OF_MEMORY || writeFailed
            ? QStringLiteral("内存不足，无法保存这张图片")
            : QStringLiteral("JPEG 编码失败（内部错误 %1）").arg(encoder->err.pub.msg_code));
}

}  // namespace

bool WriteJpegFile(const StdPicture& picture, const QString& path, const JpegSettings& settings,
                   QString* reason, AtLink atLink, const std::atomic<bool>* cancel) {
    // Nothing is created for a picture that cannot be encoded at all.
    if (picture.isEmpty() || settings.quality < 0 || settings.quality > 100) {
        return encode(picture, settings, nullptr, nullptr, reason, cancel);
    }
    SafeFile file(path, atLink);
    if (!file.open()) {
        if (reason != nullptr) {
            *reason = file.reason();
        }
        return false;
    }
    if (!encode(picture, settings, &file, nullptr, reason, cancel)) {
        return false;
    }
    if (!file.commit()) {
        if (reason != nullptr) {
            *reason = file.reason();
        }
        return false;
    }
    return true;
}

QByteArray EncodeJpeg(const StdPicture& picture, const JpegSettings& settings, QString* reason,
                      const std::atomic<bool>* cancel) {
    QByteArray bytes;
    if (!encode(picture, settings, nullptr, &bytes, reason, cancel)) {
        return {};
    }
    return bytes;
}

}  // namespace lanxi
