#include "codec/heif_codec.h"

#include <libheif/heif.h>

#include <memory>
#include <vector>

#include "codec/limits.h"

namespace lanxi {
namespace {

struct ContextDeleter {
    void operator()(heif_context* c) const { heif_context_free(c); }
};
struct HandleDeleter {
    void operator()(heif_image_handle* h) const { heif_image_handle_release(h); }
};
struct ImageDeleter {
    void operator()(heif_image* i) const { heif_image_release(i); }
};
struct OptionsDeleter {
    void operator()(heif_decoding_options* o) const { heif_decoding_options_free(o); }
};
using Context = std::unique_ptr<heif_context, ContextDeleter>;
using Handle = std::unique_ptr<heif_image_handle, HandleDeleter>;

// libheif's buffers as it decodes, in bytes a pixel: the coded planes twice (the video decoder's
// picture and libheif's copy; three planes at most, two bytes a sample above 8 bits) with the
// alpha plane, a 16-bit RGBA step for deeper samples, its 8-bit RGBA picture and the turned copy
// of it; besides, the video decoder's own state.
std::int64_t libheifBytes(const HeifHeader& h) {
    const std::int64_t sample = h.bitDepth > 8 ? 2 : 1;
    const std::int64_t perPixel = 2 * sample * (3 + (h.transparency ? 1 : 0)) +
                                  (h.bitDepth > 8 ? 8 : 0) + 4 + 4;
    return perPixel * h.width * h.height + 32 * 1024 * 1024;
}

// The file's boxes read from its bytes, which must outlive the context; the primary image's
// handle. Null with `error` set when not.
Context readContext(const char* data, std::int64_t size, Handle* primary, QString* error) {
    Context context(heif_context_alloc());
    if (!context) {
        *error = QStringLiteral("out of memory");
        return nullptr;
    }
    // Our own size rule decides, with its own words; libheif's limit stays as a backstop.
    heif_context_set_maximum_image_size_limit(context.get(), kMaxPictureSide + 1);
    heif_error e = heif_context_read_from_memory_without_copy(context.get(), data, std::size_t(size), nullptr);
    heif_image_handle* handle = nullptr;
    if (e.code == heif_error_Ok) {
        e = heif_context_get_primary_image_handle(context.get(), &handle);
    }
    if (e.code != heif_error_Ok || handle == nullptr) {
        *error = QString::fromUtf8(e.message != nullptr ? e.message : "no primary image");
        return nullptr;
    }
    primary->reset(handle);
    return context;
}

ColourSpace colourOf(const heif_image_handle* handle) {
    ColourSpace colour;
    if (const std::size_t bytes = heif_image_handle_get_raw_color_profile_size(handle); bytes > 0) {
        QByteArray icc(qsizetype(bytes), Qt::Uninitialized);
        if (heif_image_handle_get_raw_color_profile(handle, icc.data()).code == heif_error_Ok) {
            colour.icc = icc;
            return colour;
        }
    }
    heif_color_profile_nclx* nclx = nullptr;
    if (heif_image_handle_get_nclx_color_profile(handle, &nclx).code == heif_error_Ok &&
        nclx != nullptr) {
        colour.cicp = ColourSpace::CodePoints{int(nclx->color_primaries),
                                              int(nclx->transfer_characteristics),
                                              int(nclx->matrix_coefficients),
                                              nclx->full_range_flag != 0};
    }
    heif_nclx_color_profile_free(nclx);
    return colour;
}

HeifHeader headerOf(const heif_image_handle* handle, std::int64_t fileBytes) {
    HeifHeader h;
    h.fileBytes = fileBytes;
    h.found = true;
    h.width = heif_image_handle_get_width(handle);
    h.height = heif_image_handle_get_height(handle);
    h.bitDepth = std::max(8, heif_image_handle_get_luma_bits_per_pixel(handle));
    h.transparency = heif_image_handle_has_alpha_channel(handle) != 0;
    h.colour = colourOf(handle);
    return h;
}

}  // namespace

HeifHeader ReadHeifHeader(const ByteSource& source) {
    HeifHeader h;
    h.fileBytes = source.size();
    QByteArray held;
    const char* data = nullptr;
    if (const auto* memory = dynamic_cast<const MemorySource*>(&source)) {
        data = memory->data();
    } else if (source.size() <= kMaxFileBytes) {
        held.resize(qsizetype(source.size()));
        if (source.read(0, held.data(), held.size()) == held.size()) {
            data = held.constData();
        }
    }
    if (data == nullptr) {
        h.error = QStringLiteral("not read");
        return h;
    }
    Handle primary;
    const Context context = readContext(data, source.size(), &primary, &h.error);
    return context ? headerOf(primary.get(), source.size()) : h;
}

PictureFootprint HeifFootprint(const HeifHeader& header) {
    PictureFootprint f;
    f.fileBytes = header.fileBytes;
    f.memoryBytes = header.fileBytes;
    if (!header.found) {
        f.refusal = QStringLiteral("HEIF 图片的文件结构已损坏，无法读出");
        return f;
    }
    if (f.refusal = SizeRefusal(header.width, header.height); !f.refusal.isEmpty()) {
        return f;
    }
    f.size = QSize(int(header.width), int(header.height));
    const std::int64_t pixels = 4 * header.width * header.height;
    // libheif's buffers, our rows, and a picture with transparency laid over white in a copy.
    f.memoryBytes += libheifBytes(header) + pixels + (header.transparency ? pixels : 0);
    return f;
}

Decoded DecodeHeif(const QByteArray& bytes, const Stop* stop) {
    Decoded d;
    Handle primary;
    QString error;
    const Context context = readContext(bytes.constData(), bytes.size(), &primary, &error);
    const HeifHeader header = context ? headerOf(primary.get(), bytes.size()) : HeifHeader{};
    if (const PictureFootprint f = HeifFootprint(header); !f.refusal.isEmpty()) {
        d.reason = f.refusal;
        return d;
    }
    if (Stop::Requested(stop)) {
        d.stopped = true;
        d.reason = QStringLiteral("已停止");
        return d;
    }
    d.colour = header.colour;
    d.peakBytes = bytes.size() + libheifBytes(header);
    const std::unique_ptr<heif_decoding_options, OptionsDeleter> options(heif_decoding_options_alloc());
    options->convert_hdr_to_8bit = 1;
    heif_image* decoded = nullptr;
    const heif_error e = heif_decode_image(primary.get(), &decoded, heif_colorspace_RGB,
                                           heif_chroma_interleaved_RGBA, options.get());
    const std::unique_ptr<heif_image, ImageDeleter> picture(decoded);
    if (e.code != heif_error_Ok || !picture) {
        d.reason = e.code == heif_error_Memory_allocation_error
                       ? QStringLiteral("内存不足，无法打开这张图片（%1 × %2 像素）")
                             .arg(header.width)
                             .arg(header.height)
                   : e.code == heif_error_Unsupported_feature || e.code == heif_error_Unsupported_filetype
                       ? QStringLiteral("这张 HEIF 图片的编码方式无法解码")
                       : QStringLiteral("HEIF 图片数据已损坏或不完整，无法读出");
        return d;
    }
    if (Stop::Requested(stop)) {
        d.stopped = true;
        d.reason = QStringLiteral("已停止");
        return d;
    }
    // Without a colr box, the coded stream's own colour description (an HEVC stream's VUI, an
    // AV1 sequence header's), as the video decoder gave it.
    if (d.colour.icc.isEmpty() && !d.colour.cicp) {
        heif_color_profile_nclx* nclx = nullptr;
        if (heif_image_get_nclx_color_profile(picture.get(), &nclx).code == heif_error_Ok &&
            nclx != nullptr) {
            d.colour.cicp = ColourSpace::CodePoints{int(nclx->color_primaries),
                                                    int(nclx->transfer_characteristics),
                                                    int(nclx->matrix_coefficients),
                                                    nclx->full_range_flag != 0};
        }
        heif_nclx_color_profile_free(nclx);
    }
    int stride = 0;
    const std::uint8_t* rgba = heif_image_get_plane_readonly(picture.get(), heif_channel_interleaved, &stride);
    if (rgba == nullptr || heif_image_get_width(picture.get(), heif_channel_interleaved) != header.width ||
        heif_image_get_height(picture.get(), heif_channel_interleaved) != header.height) {
        d.reason = QStringLiteral("HEIF 图片数据已损坏或不完整，无法读出");
        return d;
    }
    QImage image(int(header.width), int(header.height),
                 header.transparency ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (image.isNull()) {
        d.reason = QStringLiteral("内存不足，无法打开这张图片（%1 × %2 像素）")
                       .arg(header.width)
                       .arg(header.height);
        return d;
    }
    for (int y = 0; y < image.height(); ++y) {
        const std::uint8_t* in = rgba + std::size_t(y) * std::size_t(stride);
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x, in += 4) {
            out[x] = qRgba(in[0], in[1], in[2], header.transparency ? in[3] : 255);
        }
    }
    d.peakBytes += image.sizeInBytes() * (header.transparency ? 2 : 1);
    d.image = std::move(image);
    return d;
}

}  // namespace lanxi
