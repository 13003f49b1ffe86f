#include "codec/png_codec.h"

#include <png.h>

#include <algorithm>
#include <array>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include "codec/limits.h"

namespace lanxi {
namespace {

// deflate's largest ratio: a run of 258 bytes in a code of at most two bits, 1032 bytes a byte
// of output with a stored block's overhead left out.
constexpr std::int64_t kMaxInflateRatio = 1032;

// libpng's own buffers beside our rows: two of its widest rows (eight bytes a pixel at 16-bit
// RGBA), zlib's window and state, and a profile both compressed and inflated.
std::int64_t libpngBytes(std::int64_t width, std::int64_t profileBytes) {
    return 2 * (8 * width + 64) + 64 * 1024 + 2 * profileBytes;
}

// The state libpng's callbacks share with us. Plain data only: libpng reports an error by a
// long jump back to the setjmp of the call that drove it, which runs no destructor.
struct Reader {
    png_structp png = nullptr;
    png_infop info = nullptr;
    const ByteSource* source = nullptr;
    std::int64_t position = 0;
    bool ranOut = false;  // the data ended before libpng had what it needed
    char message[160] = {};
};

void onError(png_structp png, png_const_charp text) {
    auto* r = static_cast<Reader*>(png_get_error_ptr(png));
    std::snprintf(r->message, sizeof r->message, "%s", text != nullptr ? text : "");
    png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) {}

void onRead(png_structp png, png_bytep out, png_size_t count) {
    auto* r = static_cast<Reader*>(png_get_io_ptr(png));
    const std::int64_t got =
        r->source->read(r->position, reinterpret_cast<char*>(out), std::int64_t(count));
    r->position += got;
    if (got < std::int64_t(count)) {
        r->ranOut = true;
        png_error(png, "the file ends early");
    }
}

// Creates libpng's structures for reading `source`; false without memory.
bool open(Reader* r, const ByteSource& source) {
    r->source = &source;
    r->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, r, onError, onWarning);
    if (r->png == nullptr) {
        return false;
    }
    r->info = png_create_info_struct(r->png);
    if (r->info == nullptr) {
        return false;
    }
    png_set_read_fn(r->png, r, onRead);
    // Our own size rule decides, with its own words; libpng's default stops at a million.
    png_set_user_limits(r->png, 0x7fffffff, 0x7fffffff);
    return true;
}

void close(Reader* r) {
    if (r->png != nullptr) {
        png_destroy_read_struct(&r->png, r->info != nullptr ? &r->info : nullptr, nullptr);
    }
}

bool readInfo(Reader* r) {
    if (setjmp(png_jmpbuf(r->png))) {
        return false;
    }
    png_read_info(r->png, r->info);
    return true;
}

// The transforms to our 32-bit rows (bytes B, G, R, A in memory, as Qt's ARGB32 on a
// little-endian machine); false on an error.
bool setTransforms(Reader* r, bool alpha, int* passes) {
    if (setjmp(png_jmpbuf(r->png))) {
        return false;
    }
    png_set_expand(r->png);
    png_set_scale_16(r->png);
    png_set_gray_to_rgb(r->png);
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    png_set_bgr(r->png);
    if (!alpha) {
        png_set_filler(r->png, 0xff, PNG_FILLER_AFTER);
    }
#else
    if (alpha) {
        png_set_swap_alpha(r->png);
    } else {
        png_set_filler(r->png, 0xff, PNG_FILLER_BEFORE);
    }
#endif
    *passes = png_set_interlace_handling(r->png);
    png_read_update_info(r->png, r->info);
    return true;
}

// Reads every row of every pass into the image's rows. Returns 0 when all came, 1 on an
// error, 2 on a stop; `rows` counts the rows of the last pass reached.
int readRows(Reader* r, uchar* bits, qsizetype bytesPerLine, int height, int passes,
             const Stop* stop, volatile int* rows) {
    if (setjmp(png_jmpbuf(r->png))) {
        return 1;
    }
    for (int pass = 0; pass < passes; ++pass) {
        *rows = 0;
        for (int y = 0; y < height; ++y) {
            if (Stop::Requested(stop)) {
                return 2;
            }
            png_read_row(r->png, bits + y * bytesPerLine, nullptr);
            *rows = y + 1;
        }
    }
    return 0;
}

}  // namespace

std::int64_t PngHeader::rawBytes() const {
    // Each row: its filter byte and its samples; an interlaced picture's seven passes add at
    // most one filter byte and one partly used byte a row of each pass.
    const std::int64_t channels = colourType == PNG_COLOR_TYPE_GRAY         ? 1
                                  : colourType == PNG_COLOR_TYPE_GRAY_ALPHA ? 2
                                  : colourType == PNG_COLOR_TYPE_PALETTE    ? 1
                                  : colourType == PNG_COLOR_TYPE_RGB        ? 3
                                                                            : 4;
    const std::int64_t rowBytes = (width * channels * bitDepth + 7) / 8;
    return height * (1 + rowBytes);
}

PngHeader ReadPngHeader(const ByteSource& source) {
    PngHeader h;
    h.fileBytes = source.size();
    Reader r;
    if (!open(&r, source)) {
        close(&r);
        h.error = QStringLiteral("out of memory");
        return h;
    }
    if (!readInfo(&r)) {
        h.error = QString::fromLatin1(r.message);
        // A header cut off before its end, or an IHDR libpng refuses: either way not read.
        close(&r);
        return h;
    }
    png_uint_32 width = 0, height = 0;
    int depth = 0, type = 0, interlace = 0;
    png_get_IHDR(r.png, r.info, &width, &height, &depth, &type, &interlace, nullptr, nullptr);
    h.found = true;
    h.width = width;
    h.height = height;
    h.bitDepth = depth;
    h.colourType = type;
    h.interlaced = interlace != PNG_INTERLACE_NONE;
    h.transparency =
        (type & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(r.png, r.info, PNG_INFO_tRNS);
    png_charp name = nullptr;
    int compression = 0;
    png_bytep profile = nullptr;
    png_uint_32 profileBytes = 0;
    if (png_get_iCCP(r.png, r.info, &name, &compression, &profile, &profileBytes) != 0 &&
        profile != nullptr && profileBytes > 0) {
        h.colour.icc = QByteArray(reinterpret_cast<const char*>(profile), qsizetype(profileBytes));
    } else if (png_get_valid(r.png, r.info, PNG_INFO_sRGB) == 0) {
        ColourSpace::PngChunks chunks;
        png_fixed_point gamma = 0;
        if (png_get_gAMA_fixed(r.png, r.info, &gamma) != 0 && gamma > 0) {
            chunks.gamma = int(gamma);
        }
        png_fixed_point c[8] = {};
        if (png_get_cHRM_fixed(r.png, r.info, &c[0], &c[1], &c[2], &c[3], &c[4], &c[5], &c[6],
                               &c[7]) != 0) {
            chunks.chromaticities = std::array<int, 8>{};
            for (int i = 0; i < 8; ++i) {
                (*chunks.chromaticities)[std::size_t(i)] = int(c[i]);
            }
        }
        if (chunks.gamma != 0 || chunks.chromaticities) {
            h.colour.png = chunks;
        }
    }
    close(&r);
    return h;
}

PictureFootprint PngFootprint(const PngHeader& header) {
    PictureFootprint f = RowsFootprint(
        header.fileBytes, header.found, QStringLiteral("PNG 图片的文件头已损坏，无法读出"),
        header.width, header.height, libpngBytes(header.width, header.colour.icc.size()),
        header.transparency);
    if (f.refusal.isEmpty() && header.fileBytes * kMaxInflateRatio < header.rawBytes()) {
        f.refusal = QStringLiteral("PNG 图片不完整：文件只有 %1 字节，装不下 %2 × %3 像素的图片")
                        .arg(header.fileBytes)
                        .arg(header.width)
                        .arg(header.height);
        f.size = QSize();
        f.memoryBytes = f.fileBytes;
    }
    return f;
}

Decoded DecodePng(const QByteArray& bytes, const DecodeRequest& request) {
    Decoded d;
    const MemorySource source(bytes);
    const PngHeader header = ReadPngHeader(source);
    if (const PictureFootprint f = PngFootprint(header); !f.refusal.isEmpty()) {
        return Decoded::Refused(f.refusal);
    }
    d.colour = header.colour;
    QImage image = PixelsFor(&d, int(header.width), int(header.height), header.transparency);
    if (image.isNull()) {
        return d;
    }
    d.peakBytes =
        bytes.size() + image.sizeInBytes() + libpngBytes(header.width, header.colour.icc.size());
    Reader r;
    int passes = 1;
    volatile int rows = 0;
    int outcome = 1;
    if (open(&r, source) && readInfo(&r) && setTransforms(&r, header.transparency, &passes) &&
        png_get_rowbytes(r.png, r.info) == png_size_t(4 * header.width)) {
        outcome = readRows(&r, image.bits(), image.bytesPerLine(), image.height(), passes,
                           request.stop, &rows);
    }
    const bool ranOut = r.ranOut;
    close(&r);
    if (outcome == 2) {
        return Decoded::Stopped();
    }
    if (outcome == 1) {
        // Rows stored in order that mostly came make a picture worth keeping; an interlaced
        // picture's earlier passes are only a coarse draft of it.
        if (passes == 1 && rows >= (image.height() + 1) / 2) {
            for (int y = rows; y < image.height(); ++y) {
                std::fill_n(reinterpret_cast<QRgb*>(image.scanLine(y)), image.width(),
                            qRgb(128, 128, 128));
            }
            d.damaged = true;
        } else {
            d.reason = ranOut ? QStringLiteral("PNG 图片不完整，文件在图片数据中途就结束了")
                              : QStringLiteral("PNG 图片数据已损坏，无法读出");
            return d;
        }
    }
    if (header.transparency) {
        d.peakBytes += image.sizeInBytes();  // laid over white in a copy
    }
    d.image = std::move(image);
    return d;
}

}  // namespace lanxi
