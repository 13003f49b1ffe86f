#include "encoder/jpeg_encode.h"

#include <QImage>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <span>

#include "codec/libjpeg_errors.h"

#include <lib/jpegli/encode.h>

// The entropy encoder's interface, as libjpeg declares it for its own modules (jpegint.h, which
// not every installation has). Its layout has not changed since libjpeg 6.
struct jpeg_entropy_encoder {
    void (*start_pass)(j_compress_ptr cinfo, boolean gather_statistics);
    boolean (*encode_mcu)(j_compress_ptr cinfo, JBLOCKROW* MCU_data);
    void (*finish_pass)(j_compress_ptr cinfo);
};

namespace lanxi {
namespace {

using detail::JpegErrorJump;
using detail::UseJpegErrorJump;

// How much compressed data is gathered before it is kept or counted.
constexpr std::size_t kOutputChunk = 64 * 1024;

// A picture's 32-bit rows as libjpeg reads them: blue, green, red, unused in memory order on a
// little-endian machine.
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
constexpr J_COLOR_SPACE kPixelLayout = JCS_EXT_BGRX;
#else
constexpr J_COLOR_SPACE kPixelLayout = JCS_EXT_XRGB;
#endif

// Compressed data goes through this buffer into memory, or is only counted.
struct Destination {
    jpeg_destination_mgr pub;
    QByteArray* memory;  // null: counted only
    std::int64_t size;
    JOCTET buffer[kOutputChunk];
};

// How one run of the compressor goes. libjpeg finds the Huffman tables that suit a picture best
// by keeping every coefficient of it (two to six bytes a pixel) between a pass that counts the
// symbols and a pass that writes them. Counting and writing in two runs over the rows instead
// makes the same file while holding no more than a band of them.
enum class Pass {
    Whole,    // libjpeg's own optimising run
    Count,    // counts the symbols (libjpeg's encoder in its counting mode); writes no data
    Written,  // writes with the tables the counting found
};

// Everything one call owns inside libjpeg, in one block that lives on the heap (the output
// buffer is too large for a thread's stack). Value-initialised, so that destroying an encoder
// that was never created is harmless.
struct Encoder {
    jpeg_compress_struct cinfo;
    JpegErrorJump err;
    Destination dest;
    RowSource* source;
    const Stop* stop;
    bool stopped;
    bool noRows;   // the source could not give its rows
    bool allGrey;  // every row given so far was grey
    // The tables a counting run found (DC 0 and 1, AC 0 and 1); used[i] when it made table i.
    JHUFF_TBL tables[4];
    bool used[4];
};

JHUFF_TBL** tableSlot(jpeg_compress_struct* cinfo, int i) {
    return i < 2 ? &cinfo->dc_huff_tbl_ptrs[i] : &cinfo->ac_huff_tbl_ptrs[i - 2];
}

Destination* destinationOf(j_compress_ptr cinfo) {
    return reinterpret_cast<Destination*>(cinfo->dest);
}

bool keep(Destination* dest, std::size_t size) {
    dest->size += std::int64_t(size);
    if (dest->memory == nullptr) {
        return true;
    }
    try {
        dest->memory->append(reinterpret_cast<const char*>(dest->buffer), qsizetype(size));
        return true;
    } catch (...) {
        return false;  // nothing may be thrown through libjpeg's C frames
    }
}

void initDestination(j_compress_ptr cinfo) {
    Destination* dest = destinationOf(cinfo);
    dest->pub.next_output_byte = dest->buffer;
    dest->pub.free_in_buffer = kOutputChunk;
}

boolean emptyOutputBuffer(j_compress_ptr cinfo) {
    // libjpeg asks for the whole buffer to be taken, whatever free_in_buffer says.
    if (!keep(destinationOf(cinfo), kOutputChunk)) {
        ERREXIT(cinfo, JERR_OUT_OF_MEMORY);
    }
    initDestination(cinfo);
    return TRUE;
}

void termDestination(j_compress_ptr cinfo) {
    Destination* dest = destinationOf(cinfo);
    const std::size_t used = kOutputChunk - dest->pub.free_in_buffer;
    if (used > 0 && !keep(dest, used)) {
        ERREXIT(cinfo, JERR_OUT_OF_MEMORY);
    }
}

bool greyRows(const uchar* const* rows, int count, int width) {
    for (int i = 0; i < count; ++i) {
        const auto* row = reinterpret_cast<const QRgb*>(rows[i]);
        for (int x = 0; x < width; ++x) {
            const QRgb p = row[x];
            if (qRed(p) != qGreen(p) || qGreen(p) != qBlue(p)) {
                return false;
            }
        }
    }
    return true;
}

// Hands every row to the encoder a band at a time; false when stopped or the source failed.
// Called from the frame that set the long jump, and holds nothing but plain data itself.
template <class Write>
bool writeRows(Encoder* e, Write write) {
    jpeg_compress_struct* cinfo = &e->cinfo;
    const QSize size = e->source->size();
    // The encoder converts the colours as it goes, so no converted copy is made; it only reads
    // the rows.
    const uchar* rows[RowSource::kMaxRows];
    while (cinfo->next_scanline < cinfo->image_height) {
        if (Stop::Requested(e->stop)) {
            e->stopped = true;
            return false;
        }
        const int first = int(cinfo->next_scanline);
        const int count = std::min(RowSource::kMaxRows, size.height() - first);
        if (!e->source->rows(first, count, rows)) {
            e->noRows = true;
            return false;
        }
        if (e->allGrey) {
            e->allGrey = greyRows(rows, count, size.width());
        }
        write(cinfo, const_cast<JSAMPARRAY>(rows), JDIMENSION(count));
    }
    return true;
}

// What both encoders are told before their defaults: where the bytes go, and the rows' size and
// layout.
void describeInput(Encoder* e) {
    e->dest.pub.init_destination = initDestination;
    e->dest.pub.empty_output_buffer = emptyOutputBuffer;
    e->dest.pub.term_destination = termDestination;
    e->cinfo.dest = &e->dest.pub;
    const QSize size = e->source->size();
    e->cinfo.image_width = JDIMENSION(size.width());
    e->cinfo.image_height = JDIMENSION(size.height());
    e->cinfo.input_components = 4;
    e->cinfo.in_color_space = kPixelLayout;
}

// Colour at the resolution of the brightness (4:4:4) instead of halved each way.
void keepFullColour(jpeg_compress_struct* cinfo) {
    cinfo->comp_info[0].h_samp_factor = 1;
    cinfo->comp_info[0].v_samp_factor = 1;
}

// Every libjpeg call that may fail runs in here. Its frame holds nothing but plain data, so the
// long jump out of the library skips no destructor; the caller destroys the encoder.
bool compress(Encoder* e, bool grey, const JpegSettings* settings, Pass pass) {
    if (setjmp(e->err.jump)) {
        return false;
    }
    jpeg_compress_struct* cinfo = &e->cinfo;
    jpeg_create_compress(cinfo);
    describeInput(e);
    jpeg_set_defaults(cinfo);  // YCbCr with a JFIF header, 4:2:0, no other markers
    // Baseline tables (no entry above 255): every decoder reads them, also at low quality.
    jpeg_set_quality(cinfo, settings->quality, TRUE);
    cinfo->optimize_coding = pass == Pass::Whole;
    cinfo->dct_method = JDCT_ISLOW;
    if (grey) {
        // The encoder takes the grey from the rows exactly (its weights add up to one).
        jpeg_set_colorspace(cinfo, JCS_GRAYSCALE);
    } else if (!settings->subsampleChroma) {
        keepFullColour(cinfo);
    }
    if (pass == Pass::Written) {
        for (int i = 0; i < 4; ++i) {
            JHUFF_TBL* table = *tableSlot(cinfo, i);
            if (e->used[i] && table != nullptr) {
                std::memcpy(table->bits, e->tables[i].bits, sizeof table->bits);
                std::memcpy(table->huffval, e->tables[i].huffval, sizeof table->huffval);
            }
        }
    }
    jpeg_start_compress(cinfo, TRUE);
    if (pass == Pass::Count) {
        // The encoder counts instead of writing from here on; its closing pass leaves the best
        // tables for the counts in the compressor's table slots.
        cinfo->entropy->start_pass(cinfo, TRUE);
    }

    if (!writeRows(e, jpeg_write_scanlines)) {
        return false;
    }
    jpeg_finish_compress(cinfo);
    if (pass == Pass::Count) {
        for (int i = 0; i < 4; ++i) {
            const JHUFF_TBL* table = *tableSlot(cinfo, i);
            e->used[i] = table != nullptr;
            if (table != nullptr) {
                e->tables[i] = *table;
            }
        }
    }
    return true;
}

// The same with jpegli, in one run: jpegli keeps the whole picture's coefficients for its
// Huffman tables (and its scans) whatever is asked, so a measured file costs the same memory as
// a kept one.
bool compressWithJpegli(Encoder* e, bool grey, const JpegSettings* settings) {
    if (setjmp(e->err.jump)) {
        return false;
    }
    jpeg_compress_struct* cinfo = &e->cinfo;
    jpegli_create_compress(cinfo);
    describeInput(e);
    jpegli_set_defaults(cinfo);  // YCbCr, 4:2:0, adaptive quantisation, no markers at all
    // Decoders take a file without it for YCbCr too, but the header says so for certain, as
    // libjpeg-turbo's files do.
    cinfo->write_JFIF_header = TRUE;
    cinfo->optimize_coding = TRUE;
    if (grey) {
        jpegli_set_colorspace(cinfo, JCS_GRAYSCALE);
    } else if (!settings->subsampleChroma) {
        keepFullColour(cinfo);
    }
    jpegli_set_progressive_level(cinfo,
                                 settings->encoder == JpegEncoder::JpegliProgressive ? 2 : 0);
    // After the sampling, which the tables depend on; baseline tables (no entry above 255).
    // The distance gives Cb and Cr tables of their own, which the quality would not.
    jpegli_set_distance(cinfo, jpegli_quality_to_distance(settings->quality), TRUE);
    jpegli_start_compress(cinfo, TRUE);
    if (!writeRows(e, jpegli_write_scanlines)) {
        return false;
    }
    jpegli_finish_compress(cinfo);
    return true;
}

// One encoding; `grey` writes one component.
EncodedJpeg encode(RowSource& source, const JpegSettings& settings, const Stop* stop,
                   bool measureOnly, bool grey, bool* allGrey) {
    EncodedJpeg out;
    std::unique_ptr<Encoder> encoder(new (std::nothrow) Encoder());
    if (!encoder) {
        out.reason = QStringLiteral("内存不足，无法保存这张图片");
        return out;
    }
    encoder->source = &source;
    encoder->stop = stop;
    encoder->allGrey = true;
    // A file only measured is made in two runs, so that no picture-sized buffer is held.
    const bool jpegli = settings.encoder != JpegEncoder::LibjpegTurbo;
    bool encoded = true;
    int code = 0;
    static constexpr Pass kWhole[] = {Pass::Whole};
    static constexpr Pass kTwoRuns[] = {Pass::Count, Pass::Written};
    for (const Pass pass :
         measureOnly && !jpegli ? std::span<const Pass>(kTwoRuns) : std::span<const Pass>(kWhole)) {
        if (!encoded) {
            break;
        }
        encoder->cinfo = {};
        encoder->err = {};
        encoder->dest = {};
        encoder->dest.memory = measureOnly ? nullptr : &out.bytes;
        UseJpegErrorJump(&encoder->cinfo, &encoder->err);
        if (jpegli) {
            encoded = compressWithJpegli(encoder.get(), grey, &settings);
            // jpegli gives every failure the same code; its words tell memory apart.
            code = encoder->err.pub.msg_code;
            if (!encoded && std::strstr(encoder->err.pub.msg_parm.s, "memory") != nullptr) {
                code = JERR_OUT_OF_MEMORY;
            }
            jpegli_destroy_compress(&encoder->cinfo);
        } else {
            encoded = compress(encoder.get(), grey, &settings, pass);
            code = encoder->err.pub.msg_code;
            jpeg_destroy_compress(&encoder->cinfo);
        }
    }
    *allGrey = encoder->allGrey;
    if (encoded) {
        out.size = encoder->dest.size;
        return out;
    }
    out.bytes.clear();
    if (encoder->stopped) {
        out.reason = QStringLiteral("已停止");
    } else if (encoder->noRows || code == JERR_OUT_OF_MEMORY) {
        out.reason = QStringLiteral("内存不足，无法保存这张图片");
    } else {
        // The encoder refuses only what it was never given by us (a bad setting).
        out.reason = QStringLiteral("JPEG 编码失败（内部错误 %1）").arg(code);
    }
    return out;
}

}  // namespace

PictureRows::PictureRows(const StdPicture& picture) : picture_(picture) {
    // A picture always holds 32-bit rows; anything else is converted rather than misread.
    if (!picture.isEmpty() && picture.image().format() != QImage::Format_RGB32) {
        converted_ = picture.image().convertToFormat(QImage::Format_RGB32);
    }
}

QSize PictureRows::size() const {
    return picture_.isEmpty() ? QSize(0, 0) : picture_.size();
}

RowSource::Grey PictureRows::grey() const {
    return picture_.grey() ? Grey::Yes : Grey::No;
}

bool PictureRows::rows(int first, int count, const uchar** out) {
    const QImage& image = converted_.isNull() ? picture_.image() : converted_;
    if (image.format() != QImage::Format_RGB32) {
        return false;
    }
    for (int i = 0; i < count; ++i) {
        out[i] = image.constScanLine(first + i);
    }
    return true;
}

double QuantisationScale(const JpegSettings& settings) {
    const int quality = std::clamp(settings.quality, 1, 100);
    if (settings.encoder != JpegEncoder::LibjpegTurbo) {
        return jpegli_quality_to_distance(quality);
    }
    return std::max(1, jpeg_quality_scaling(quality));  // 0 at quality 100
}

EncodedJpeg EncodeJpeg(RowSource& source, const JpegSettings& settings, const Stop* stop,
                       bool measureOnly) {
    EncodedJpeg out;
    const QSize size = source.size();
    if (size.isEmpty()) {
        out.reason = QStringLiteral("没有可以保存的图片");
        return out;
    }
    if (settings.quality < 0 || settings.quality > 100) {
        out.reason = QStringLiteral("JPEG 质量 %1 无效（应为 0 到 100）").arg(settings.quality);
        return out;
    }
    if (size.width() > JPEG_MAX_DIMENSION || size.height() > JPEG_MAX_DIMENSION) {
        out.reason = QStringLiteral("图片过大（%1 × %2 像素），JPEG 文件的宽和高最多 %3 像素")
                         .arg(size.width())
                         .arg(size.height())
                         .arg(JPEG_MAX_DIMENSION);
        return out;
    }
    const RowSource::Grey grey = source.grey();
    bool allGrey = false;
    out = encode(source, settings, stop, measureOnly, grey == RowSource::Grey::Yes, &allGrey);
    // Rows that turned out grey, every one of them, are written again with one component.
    if (out.ok() && grey == RowSource::Grey::Unknown && allGrey) {
        out = encode(source, settings, stop, measureOnly, true, &allGrey);
    }
    return out;
}

QByteArray EncodeJpeg(const StdPicture& picture, const JpegSettings& settings, QString* reason,
                      const Stop* stop) {
    PictureRows rows(picture);
    EncodedJpeg jpeg = EncodeJpeg(rows, settings, stop);
    if (!jpeg.ok() && reason != nullptr) {
        *reason = jpeg.reason;
    }
    return jpeg.bytes;
}

bool WriteJpegFile(const StdPicture& picture, const QString& path, const JpegSettings& settings,
                   QString* reason, AtLink atLink) {
    const QByteArray jpeg = EncodeJpeg(picture, settings, reason);
    return !jpeg.isEmpty() && WriteWholeFile(path, jpeg, atLink, reason);
}

}  // namespace lanxi
