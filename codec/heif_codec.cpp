#include "codec/heif_codec.h"

#include <libheif/heif.h>

#include <algorithm>
#include <memory>
#include <optional>
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
    const std::int64_t perPixel =
        2 * sample * (3 + (h.transparency ? 1 : 0)) + (h.bitDepth > 8 ? 8 : 0) + 4 + 4;
    return perPixel * h.width * h.height + 32 * 1024 * 1024;
}

// The boxes of a file as a list of (type, payload) spans, read with bounds checked throughout.
struct Box {
    std::uint32_t type = 0;
    const unsigned char* data = nullptr;
    std::int64_t size = 0;
};

std::uint64_t bigEndian(const unsigned char* p, int bytes) {
    std::uint64_t v = 0;
    for (int i = 0; i < bytes; ++i) {
        v = v << 8 | p[i];
    }
    return v;
}

constexpr std::uint32_t fourcc(const char (&t)[5]) {
    return std::uint32_t(std::uint8_t(t[0])) << 24 | std::uint32_t(std::uint8_t(t[1])) << 16 |
           std::uint32_t(std::uint8_t(t[2])) << 8 | std::uint8_t(t[3]);
}

std::vector<Box> boxesIn(const unsigned char* data, std::int64_t size) {
    std::vector<Box> boxes;
    for (std::int64_t at = 0; at + 8 <= size && boxes.size() < 4096;) {
        std::int64_t length = std::int64_t(bigEndian(data + at, 4));
        std::int64_t header = 8;
        if (length == 1 && at + 16 <= size) {
            length = std::int64_t(
                std::min<std::uint64_t>(bigEndian(data + at + 8, 8), std::uint64_t(size)));
            header = 16;
        } else if (length == 0) {
            length = size - at;
        }
        if (length < header || length > size - at) {
            break;
        }
        boxes.push_back(
            {std::uint32_t(bigEndian(data + at + 4, 4)), data + at + header, length - header});
        at += length;
    }
    return boxes;
}

const Box* find(const std::vector<Box>& boxes, std::uint32_t type) {
    for (const Box& b : boxes) {
        if (b.type == type) {
            return &b;
        }
    }
    return nullptr;
}

// A bounded reader of a box's payload; reading past it sets `bad` and gives zeros.
struct Fields {
    const unsigned char* p;
    std::int64_t size;
    std::int64_t at = 0;
    bool bad = false;
    std::uint64_t take(int bytes) {
        if (bytes == 0) {
            return 0;
        }
        if (at + bytes > size) {
            bad = true;
            at = size;
            return 0;
        }
        const std::uint64_t v = bigEndian(p + at, bytes);
        at += bytes;
        return v;
    }
};

// The canvas a primary grid or overlay image's description claims (its own width and height,
// which libheif 1.15 allocates without holding them to the image's ispe), when the primary item
// is one; nothing when it is not; 0 x 0 when the description cannot be read.
std::optional<QSize> gridCanvas(const unsigned char* data, std::int64_t size,
                                std::uint32_t primary) {
    const std::vector<Box> top = boxesIn(data, size);
    const Box* meta = find(top, fourcc("meta"));
    if (meta == nullptr || meta->size < 4) {
        return std::nullopt;
    }
    const std::vector<Box> inMeta = boxesIn(meta->data + 4, meta->size - 4);
    const Box* iinf = find(inMeta, fourcc("iinf"));
    if (iinf == nullptr || iinf->size < 6) {
        return std::nullopt;
    }
    const int entryBytes = iinf->data[0] == 0 ? 2 : 4;
    std::uint32_t kind = 0;
    for (const Box& infe : boxesIn(iinf->data + 4 + entryBytes, iinf->size - 4 - entryBytes)) {
        Fields f{infe.data, infe.size};
        const int version = int(f.take(1));
        f.take(3);
        if (infe.type != fourcc("infe") || version < 2) {
            continue;
        }
        const std::uint64_t id = f.take(version == 2 ? 2 : 4);
        f.take(2);
        if (const std::uint32_t type = std::uint32_t(f.take(4));
            !f.bad && id == primary && (type == fourcc("grid") || type == fourcc("iovl"))) {
            kind = type;
        }
    }
    if (kind == 0) {
        return std::nullopt;
    }
    const QSize unreadable(0, 0);
    const Box* iloc = find(inMeta, fourcc("iloc"));
    if (iloc == nullptr) {
        return unreadable;
    }
    Fields f{iloc->data, iloc->size};
    const int version = int(f.take(1));
    f.take(3);
    const int sizes = int(f.take(2));
    const int offsetSize = sizes >> 12, lengthSize = (sizes >> 8) & 15,
              baseSize = (sizes >> 4) & 15;
    const int indexSize = version >= 1 ? sizes & 15 : 0;
    const std::uint64_t items = f.take(version < 2 ? 2 : 4);
    for (std::uint64_t i = 0; i < items && !f.bad; ++i) {
        const std::uint64_t id = f.take(version < 2 ? 2 : 4);
        const int method = version >= 1 ? int(f.take(2) & 15) : 0;
        f.take(2);
        const std::uint64_t base = f.take(baseSize);
        const std::uint64_t extents = f.take(2);
        std::uint64_t offset = 0, length = 0;
        for (std::uint64_t e = 0; e < extents && !f.bad; ++e) {
            f.take(indexSize);
            const std::uint64_t o = f.take(offsetSize), l = f.take(lengthSize);
            if (e == 0) {
                offset = base + o;
                length = l;
            }
        }
        if (f.bad || id != primary) {
            continue;
        }
        const unsigned char* from = data;
        std::int64_t within = size;
        if (method == 1) {
            const Box* idat = find(inMeta, fourcc("idat"));
            if (idat == nullptr) {
                return unreadable;
            }
            from = idat->data;
            within = idat->size;
        } else if (method != 0) {
            return unreadable;
        }
        if (offset > std::uint64_t(within) || length > std::uint64_t(within) - offset) {
            return unreadable;
        }
        Fields g{from + offset, std::int64_t(length)};
        g.take(1);
        const int bytes = (g.take(1) & 1) != 0 ? 4 : 2;
        // A grid's rows and columns (less one each), an overlay's fill colour (four 16-bit values).
        g.take(kind == fourcc("grid") ? 2 : 8);
        const std::uint64_t w = g.take(bytes), h = g.take(bytes);
        if (g.bad || w > std::uint64_t(kMaxPictureSide) || h > std::uint64_t(kMaxPictureSide)) {
            return unreadable;
        }
        return QSize(int(w), int(h));
    }
    return unreadable;
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
    heif_error e =
        heif_context_read_from_memory_without_copy(context.get(), data, std::size_t(size), nullptr);
    heif_image_handle* handle = nullptr;
    if (e.code == heif_error_Ok) {
        e = heif_context_get_primary_image_handle(context.get(), &handle);
    }
    if (e.code != heif_error_Ok || handle == nullptr) {
        *error = QString::fromUtf8(e.message != nullptr ? e.message : "no primary image");
        return nullptr;
    }
    primary->reset(handle);
    // A grid or an overlay must cover what its image says it shows, no more: libheif allocates
    // and fills their own canvas, whatever its size.
    heif_item_id id = 0;
    heif_context_get_primary_image_ID(context.get(), &id);
    if (const std::optional<QSize> canvas =
            gridCanvas(reinterpret_cast<const unsigned char*>(data), size, id)) {
        const QSize ispe(heif_image_handle_get_ispe_width(handle),
                         heif_image_handle_get_ispe_height(handle));
        // libheif's own writer gives the ispe of a turned grid the turned size.
        if (*canvas != ispe && *canvas != ispe.transposed()) {
            *error = QStringLiteral("a grid of %1 x %2 for an image of %3 x %4")
                         .arg(canvas->width())
                         .arg(canvas->height())
                         .arg(ispe.width())
                         .arg(ispe.height());
            primary->reset();
            return nullptr;
        }
    }
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
        colour.cicp =
            ColourSpace::CodePoints{int(nclx->color_primaries), int(nclx->transfer_characteristics),
                                    int(nclx->matrix_coefficients), nclx->full_range_flag != 0};
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
    return RowsFootprint(header.fileBytes, header.found,
                         QStringLiteral("HEIF 图片的文件结构已损坏，无法读出"), header.width,
                         header.height, libheifBytes(header), header.transparency);
}

Decoded DecodeHeif(const QByteArray& bytes, const DecodeRequest& request) {
    const Stop* stop = request.stop;
    Decoded d;
    Handle primary;
    QString error;
    const Context context = readContext(bytes.constData(), bytes.size(), &primary, &error);
    const HeifHeader header = context ? headerOf(primary.get(), bytes.size()) : HeifHeader{};
    if (const PictureFootprint f = HeifFootprint(header); !f.refusal.isEmpty()) {
        return Decoded::Refused(f.refusal);
    }
    if (Stop::Requested(stop)) {
        return Decoded::Stopped();
    }
    d.colour = header.colour;
    d.peakBytes = bytes.size() + libheifBytes(header);
    const std::unique_ptr<heif_decoding_options, OptionsDeleter> options(
        heif_decoding_options_alloc());
    options->convert_hdr_to_8bit = 1;
    heif_image* decoded = nullptr;
    const heif_error e = heif_decode_image(primary.get(), &decoded, heif_colorspace_RGB,
                                           heif_chroma_interleaved_RGBA, options.get());
    const std::unique_ptr<heif_image, ImageDeleter> picture(decoded);
    if (e.code != heif_error_Ok || !picture) {
        d.reason =
            e.code == heif_error_Memory_allocation_error ? NoMemoryFor(header.width, header.height)
            : e.code == heif_error_Unsupported_feature || e.code == heif_error_Unsupported_filetype
                ? QStringLiteral("这张 HEIF 图片的编码方式无法解码")
                : QStringLiteral("HEIF 图片数据已损坏或不完整，无法读出");
        return d;
    }
    if (Stop::Requested(stop)) {
        return Decoded::Stopped();
    }
    // Without a colr box, the coded stream's own colour description (an HEVC stream's VUI, an
    // AV1 sequence header's), as the video decoder gave it.
    if (d.colour.icc.isEmpty() && !d.colour.cicp) {
        heif_color_profile_nclx* nclx = nullptr;
        if (heif_image_get_nclx_color_profile(picture.get(), &nclx).code == heif_error_Ok &&
            nclx != nullptr) {
            d.colour.cicp = ColourSpace::CodePoints{
                int(nclx->color_primaries), int(nclx->transfer_characteristics),
                int(nclx->matrix_coefficients), nclx->full_range_flag != 0};
        }
        heif_nclx_color_profile_free(nclx);
    }
    int stride = 0;
    const std::uint8_t* rgba =
        heif_image_get_plane_readonly(picture.get(), heif_channel_interleaved, &stride);
    if (rgba == nullptr ||
        heif_image_get_width(picture.get(), heif_channel_interleaved) != header.width ||
        heif_image_get_height(picture.get(), heif_channel_interleaved) != header.height) {
        d.reason = QStringLiteral("HEIF 图片数据已损坏或不完整，无法读出");
        return d;
    }
    QImage image = PixelsFor(&d, int(header.width), int(header.height), header.transparency);
    if (image.isNull()) {
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
