#include "codec/heif_codec.h"

#include <libheif/heif.h>
#include <libheif/heif_items.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#ifdef LANXI_HEIF_LIBAVCODEC
extern "C" {
#include <libavutil/log.h>
}
#endif

#include "codec/limits.h"

// Security limits, the grid's layout and the interruption of a decode came with libheif 1.19.
static_assert(LIBHEIF_HAVE_VERSION(1, 19, 0), "libheif 1.19 or later (tools/build-libheif)");

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

const QString& broken() {
    static const QString text = QStringLiteral("HEIF 图片的文件结构已损坏，无法读出");
    return text;
}
const QString& damaged() {
    static const QString text = QStringLiteral("HEIF 图片数据已损坏或不完整，无法读出");
    return text;
}
const QString& unsupported() {
    static const QString text = QStringLiteral("这张 HEIF 图片的编码方式无法解码");
    return text;
}

constexpr std::uint32_t kHevc = heif_fourcc('h', 'v', 'c', '1');

// An image coded as one frame of HEVC or AV1, which the decoders take as it is.
bool coded(std::uint32_t itemType) {
    return itemType == kHevc || itemType == heif_fourcc('a', 'v', '0', '1');
}

// libavcodec's HEVC decoder, where this libheif has it (the Linux build): it decodes phones'
// photos in 0.6 of libde265's time, to the same pixels. Null where only libde265 is there.
const char* fasterHevcDecoder() {
    static const char* const id = []() -> const char* {
#ifdef LANXI_HEIF_LIBAVCODEC
        // Its own messages on a damaged picture would go to the command line's terminal; the
        // user reads why in our words.
        av_log_set_level(AV_LOG_QUIET);
#endif
        const heif_decoder_descriptor* decoders[8] = {};
        const int count = heif_get_decoder_descriptors(heif_compression_HEVC, decoders, 8);
        for (int i = 0; i < count; ++i) {
            if (std::strcmp(heif_decoder_descriptor_get_id_name(decoders[i]), "ffmpeg") == 0) {
                return "ffmpeg";
            }
        }
        return nullptr;
    }();
    return id;
}

// The bytes of the planes of a coded picture of `pixels` pixels: three (four with alpha), two
// bytes a sample above 8 bits (at most 4:4:4).
std::int64_t planeBytes(const HeifHeader& h, std::int64_t pixels) {
    return (h.bitDepth > 8 ? 2 : 1) * (3 + (h.transparency ? 1 : 0)) * pixels;
}

// libheif's buffers as it decodes, in bytes: a coded picture's planes twice (the video decoder's
// picture and libheif's copy), for a grid its canvas and each tile decoding at the same time;
// a 16-bit RGBA step for deeper samples, its 8-bit RGBA picture and the turned copy of it;
// besides, the video decoders' own state.
std::int64_t libheifBytes(const HeifHeader& h, int threads) {
    const std::int64_t pixels = h.width * h.height;
    const std::int64_t tilePixels = std::int64_t(h.tile.width()) * h.tile.height();
    const std::int64_t inFlight = std::min<std::int64_t>(std::max(threads, 1), h.tiles);
    const std::int64_t coded =
        h.tiles > 1 ? planeBytes(h, pixels) + inFlight * 2 * planeBytes(h, tilePixels)
                    : 2 * planeBytes(h, pixels);
    return coded + ((h.bitDepth > 8 ? 8 : 0) + 4 + 4) * pixels + inFlight * 32 * 1024 * 1024;
}

// libheif's own limits, from ours: no picture beyond our pixel limit, and no block of memory
// larger than the file (while its boxes are read) or, once the header is known, than the
// picture's largest plane (its 16-bit RGBA step, with room for the rows' alignment).
void setLimits(heif_context* context, std::int64_t fileBytes, const HeifHeader* known) {
    heif_security_limits* limits = heif_context_get_security_limits(context);
    limits->max_image_size_pixels = std::uint64_t(kMaxPicturePixels);
    std::int64_t block = std::max<std::int64_t>(fileBytes, 1024 * 1024);
    if (known != nullptr) {
        const auto plane = [](std::int64_t width, std::int64_t height) {
            return 8 * (width + 64) * (height + 64);
        };
        block = std::max({block, plane(known->width, known->height),
                          plane(known->tile.width(), known->tile.height())});
    }
    limits->max_memory_block_size = std::uint64_t(block);
}

// Whether the alpha image libheif decodes with `image` (the auxiliary image that only a list
// with alpha names), if it has one, is a coded picture no larger than `image`'s own.
bool alphaFits(heif_context* context, const heif_image_handle* image) {
    const auto ids = [&](int filter) {
        std::vector<heif_item_id> list(std::size_t(
            std::max(0, heif_image_handle_get_number_of_auxiliary_images(image, filter))));
        list.resize(std::size_t(heif_image_handle_get_list_of_auxiliary_image_IDs(
            image, filter, list.data(), int(list.size()))));
        return list;
    };
    const std::vector<heif_item_id> others = ids(LIBHEIF_AUX_IMAGE_FILTER_OMIT_ALPHA);
    for (const heif_item_id id : ids(0)) {
        if (std::find(others.begin(), others.end(), id) != others.end()) {
            continue;
        }
        heif_image_handle* raw = nullptr;
        if (heif_image_handle_get_auxiliary_image_handle(image, id, &raw).code != heif_error_Ok) {
            return false;
        }
        const Handle alpha(raw);
        if (!coded(heif_item_get_item_type(context, id)) ||
            std::int64_t(heif_image_handle_get_ispe_width(alpha.get())) *
                    heif_image_handle_get_ispe_height(alpha.get()) >
                std::int64_t(heif_image_handle_get_ispe_width(image)) *
                    heif_image_handle_get_ispe_height(image)) {
            return false;
        }
    }
    return true;
}

// Whether a grid decodes no more tiles than cover its canvas, each of them a coded image;
// sets the tiles in `h`, or the reason it is refused.
void readGrid(heif_context* context, const heif_image_handle* grid, HeifHeader* h) {
    heif_image_tiling tiling{};
    if (heif_image_handle_get_image_tiling(grid, 0, &tiling).code != heif_error_Ok ||
        tiling.tile_width == 0 || tiling.tile_height == 0) {
        h->refusal = broken();
        return;
    }
    // A grid must cover what its image says it shows, no more: libheif allocates and fills the
    // canvas it claims. libheif's own writer gives the ispe of a turned grid the turned size.
    const QSize canvas(int(std::min<std::uint32_t>(tiling.image_width, kMaxPictureSide + 1)),
                       int(std::min<std::uint32_t>(tiling.image_height, kMaxPictureSide + 1)));
    const QSize ispe(heif_image_handle_get_ispe_width(grid),
                     heif_image_handle_get_ispe_height(grid));
    if (canvas != ispe && canvas != ispe.transposed()) {
        h->refusal = broken();
        return;
    }
    const std::int64_t columns = (canvas.width() + std::int64_t(tiling.tile_width) - 1) /
                                 tiling.tile_width,
                       rows = (canvas.height() + std::int64_t(tiling.tile_height) - 1) /
                              tiling.tile_height;
    if (tiling.num_columns > columns || tiling.num_rows > rows) {
        h->refusal = QStringLiteral(
                         "HEIF 图片的网格由 %1 × %2 块拼成，而 %3 × %4 像素的画面只需 "
                         "%5 × %6 块：文件结构异常，不予读出")
                         .arg(tiling.num_columns)
                         .arg(tiling.num_rows)
                         .arg(canvas.width())
                         .arg(canvas.height())
                         .arg(columns)
                         .arg(rows);
        return;
    }
    if (const QString refusal = SizeRefusal(tiling.tile_width, tiling.tile_height);
        !refusal.isEmpty()) {
        h->refusal = refusal;
        return;
    }
    for (std::uint32_t y = 0; y < tiling.num_rows; ++y) {
        for (std::uint32_t x = 0; x < tiling.num_columns; ++x) {
            heif_item_id tile = 0;
            heif_image_handle* raw = nullptr;
            if (heif_image_handle_get_grid_image_tile_id(grid, 0, x, y, &tile).code !=
                    heif_error_Ok ||
                !coded(heif_item_get_item_type(context, tile)) ||
                heif_context_get_image_handle(context, tile, &raw).code != heif_error_Ok) {
                h->refusal = QStringLiteral(
                                 "HEIF 图片的网格缺少第 %1 行第 %2 块，文件已损坏，"
                                 "无法读出")
                                 .arg(y + 1)
                                 .arg(x + 1);
                return;
            }
            if (!alphaFits(context, Handle(raw).get())) {
                h->refusal = broken();
                return;
            }
            h->hevc = heif_item_get_item_type(context, tile) == kHevc;
        }
    }
    h->tiles = int(tiling.num_columns * tiling.num_rows);
    h->tile = QSize(int(tiling.tile_width), int(tiling.tile_height));
}

// What decoding `image` asks of the decoders: one coded picture, or a grid of them, each with
// its alpha image; any other kind (an overlay of other images, an identity of another) is not
// decoded.
void readDecodes(heif_context* context, const heif_image_handle* image, HeifHeader* h) {
    const std::uint32_t type =
        heif_item_get_item_type(context, heif_image_handle_get_item_id(image));
    if (coded(type)) {
        h->tile = QSize(heif_image_handle_get_ispe_width(image),
                        heif_image_handle_get_ispe_height(image));
        h->hevc = type == kHevc;
    } else if (type == heif_fourcc('g', 'r', 'i', 'd')) {
        readGrid(context, image, h);
    } else {
        h->refusal = unsupported();
    }
    if (h->refusal.isEmpty() && !alphaFits(context, image)) {
        h->refusal = broken();
    }
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

// The file's boxes read from its bytes, which must outlive the context, and the primary image's
// header; the context is null when they cannot be read.
Context readContext(const char* data, std::int64_t size, Handle* primary, HeifHeader* h) {
    h->fileBytes = size;
    Context context(heif_context_alloc());
    if (!context) {
        h->error = QStringLiteral("out of memory");
        return nullptr;
    }
    setLimits(context.get(), size, nullptr);
    heif_error e =
        heif_context_read_from_memory_without_copy(context.get(), data, std::size_t(size), nullptr);
    heif_image_handle* handle = nullptr;
    if (e.code == heif_error_Ok) {
        e = heif_context_get_primary_image_handle(context.get(), &handle);
    }
    if (e.code != heif_error_Ok || handle == nullptr) {
        h->error = QString::fromUtf8(e.message != nullptr ? e.message : "no primary image");
        return nullptr;
    }
    primary->reset(handle);
    h->found = true;
    h->width = heif_image_handle_get_width(handle);
    h->height = heif_image_handle_get_height(handle);
    h->bitDepth = std::max(8, heif_image_handle_get_luma_bits_per_pixel(handle));
    h->transparency = heif_image_handle_has_alpha_channel(handle) != 0;
    h->colour = colourOf(handle);
    readDecodes(context.get(), handle, h);
    return context;
}

// libheif asks between tiles whether to go on.
int stopRequested(void* stop) {
    return Stop::Requested(static_cast<const Stop*>(stop)) ? 1 : 0;
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
    readContext(data, source.size(), &primary, &h);
    return h;
}

PictureFootprint HeifFootprint(const HeifHeader& header, int threads) {
    PictureFootprint f =
        RowsFootprint(header.fileBytes, header.found, broken(), header.width, header.height,
                      libheifBytes(header, threads), header.transparency);
    if (f.refusal.isEmpty() && !header.refusal.isEmpty()) {
        f.refusal = header.refusal;
        f.size = QSize();
        f.memoryBytes = header.fileBytes;
    }
    return f;
}

Decoded DecodeHeif(const QByteArray& bytes, const DecodeRequest& request) {
    const Stop* stop = request.stop;
    const int threads = std::max(1, request.threads);
    Decoded d;
    Handle primary;
    HeifHeader header;
    const Context context = readContext(bytes.constData(), bytes.size(), &primary, &header);
    if (const PictureFootprint f = HeifFootprint(header, threads); !f.refusal.isEmpty()) {
        return Decoded::Refused(f.refusal);
    }
    if (Stop::Requested(stop)) {
        return Decoded::Stopped();
    }
    d.colour = header.colour;
    d.peakBytes = bytes.size() + libheifBytes(header, threads);
    // A grid's tiles on the threads the caller gives (none of libheif's own with one: it then
    // decodes them on the calling thread); the video decoders keep their own threads.
    heif_context_set_max_decoding_threads(context.get(), threads > 1 ? threads : 0);
    setLimits(context.get(), bytes.size(), &header);
    const std::unique_ptr<heif_decoding_options, OptionsDeleter> options(
        heif_decoding_options_alloc());
    options->convert_hdr_to_8bit = 1;
    options->cancel_decoding = stopRequested;
    options->progress_user_data = const_cast<Stop*>(stop);
    options->decoder_id = header.hevc ? fasterHevcDecoder() : nullptr;
    heif_image* decoded = nullptr;
    heif_error e = heif_decode_image(primary.get(), &decoded, heif_colorspace_RGB,
                                     heif_chroma_interleaved_RGBA, options.get());
    // libheif 1.19 hands libavcodec the last slice of a picture only (libavcodec then refuses
    // it), and no 4:2:2 or 4:4:4 picture above 8 bits: what it could not decode, libde265 does.
    if (e.code != heif_error_Ok && e.code != heif_error_Canceled &&
        e.code != heif_error_Memory_allocation_error && options->decoder_id != nullptr &&
        !Stop::Requested(stop)) {
        heif_image_release(decoded);
        decoded = nullptr;
        options->decoder_id = nullptr;
        e = heif_decode_image(primary.get(), &decoded, heif_colorspace_RGB,
                              heif_chroma_interleaved_RGBA, options.get());
    }
    const std::unique_ptr<heif_image, ImageDeleter> picture(decoded);
    if (Stop::Requested(stop)) {
        return Decoded::Stopped();
    }
    if (e.code != heif_error_Ok || !picture) {
        d.reason =
            e.code == heif_error_Memory_allocation_error &&
                    e.subcode != heif_suberror_Security_limit_exceeded
                ? NoMemoryFor(header.width, header.height)
            : e.code == heif_error_Unsupported_feature || e.code == heif_error_Unsupported_filetype
                ? unsupported()
                : damaged();
        return d;
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
        d.reason = damaged();
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
