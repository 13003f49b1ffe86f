#include "codec/webp_codec.h"

#include <webp/decode.h>
#include <webp/demux.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "codec/limits.h"

namespace lanxi {
namespace {

// Enough for VP8X or a simple file's frame header.
constexpr std::int64_t kHeadBytes = 64;
// The data given to the decoder at a time: a few milliseconds of decoding between stop checks.
constexpr std::int64_t kSliceBytes = 64 * 1024;

// VP8X's flags byte.
constexpr int kIccFlag = 0x20;
constexpr int kAlphaFlag = 0x10;
constexpr int kAnimationFlag = 0x02;

#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
constexpr WEBP_CSP_MODE kMode = MODE_BGRA;  // Qt's ARGB32 in memory
#else
constexpr WEBP_CSP_MODE kMode = MODE_ARGB;
#endif

// libwebp's own buffers beside our rows: an alpha plane or a lossless picture's transform
// images (at most a byte a pixel between them), some rows of caches, and its tables.
std::int64_t libwebpBytes(const WebpHeader& h) {
    return h.width * h.height + 256 * h.width + 4 * 1024 * 1024;
}

std::uint32_t le24(const unsigned char* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16;
}

struct DemuxDeleter {
    void operator()(WebPDemuxer* d) const { WebPDemuxDelete(d); }
};
struct IdecDeleter {
    void operator()(WebPIDecoder* d) const { WebPIDelete(d); }
};

// Decodes one bitstream (a file, or an animation frame's chunks) into rows at `out`.
// Returns VP8_STATUS_OK, the decoder's error, or VP8_STATUS_SUSPENDED when the data ran out;
// `stopped` when a stop came between slices.
VP8StatusCode decodeInto(const uchar* data, std::int64_t size, uchar* out, qsizetype stride,
                         int width, int height, const Stop* stop, bool* stopped) {
    WebPDecoderConfig config;
    if (WebPInitDecoderConfig(&config) == 0) {
        return VP8_STATUS_INVALID_PARAM;
    }
    config.output.colorspace = kMode;
    config.output.is_external_memory = 1;
    config.output.width = width;
    config.output.height = height;
    config.output.u.RGBA.rgba = out;
    config.output.u.RGBA.stride = int(stride);
    config.output.u.RGBA.size =
        std::size_t(stride) * std::size_t(height - 1) + 4 * std::size_t(width);
    const std::unique_ptr<WebPIDecoder, IdecDeleter> idec(WebPIDecode(nullptr, 0, &config));
    if (!idec) {
        return VP8_STATUS_OUT_OF_MEMORY;
    }
    VP8StatusCode status = VP8_STATUS_SUSPENDED;
    for (std::int64_t given = 0; given < size && status == VP8_STATUS_SUSPENDED;) {
        if (Stop::Requested(stop)) {
            *stopped = true;
            return status;
        }
        given = std::min(size, given + kSliceBytes);
        status = WebPIUpdate(idec.get(), data, std::size_t(given));
    }
    return status;
}

}  // namespace

WebpHeader ReadWebpHeader(const ByteSource& source) {
    WebpHeader h;
    h.fileBytes = source.size();
    unsigned char p[kHeadBytes] = {};
    const std::int64_t got = source.read(0, reinterpret_cast<char*>(p), kHeadBytes);
    if (got >= 30 && std::memcmp(p + 12, "VP8X", 4) == 0) {
        h.extended = true;
        h.profile = (p[20] & kIccFlag) != 0;
        h.transparency = (p[20] & kAlphaFlag) != 0;
        h.animated = (p[20] & kAnimationFlag) != 0;
        h.width = std::int64_t(le24(p + 24)) + 1;
        h.height = std::int64_t(le24(p + 27)) + 1;
        h.found = true;
        return h;
    }
    WebPBitstreamFeatures features;
    if (WebPGetFeatures(p, std::size_t(got), &features) != VP8_STATUS_OK) {
        return h;
    }
    h.found = true;
    h.width = features.width;
    h.height = features.height;
    h.transparency = features.has_alpha != 0;
    h.lossless = features.format == 2;
    return h;
}

PictureFootprint WebpFootprint(const WebpHeader& header) {
    // An animation's first frame lies on a transparent canvas, laid over white as transparency is.
    return RowsFootprint(
        header.fileBytes, header.found, QStringLiteral("WebP 图片的文件头已损坏，无法读出"),
        header.width, header.height, libwebpBytes(header), header.transparency || header.animated);
}

Decoded DecodeWebp(const QByteArray& bytes, const DecodeRequest& request) {
    const Stop* stop = request.stop;
    Decoded d;
    const WebpHeader header = ReadWebpHeader(MemorySource(bytes));
    if (const PictureFootprint f = WebpFootprint(header); !f.refusal.isEmpty()) {
        return Decoded::Refused(f.refusal);
    }
    const bool alpha = header.transparency || header.animated;
    QImage image = PixelsFor(&d, int(header.width), int(header.height), alpha);
    if (image.isNull()) {
        return d;
    }
    d.peakBytes = bytes.size() + image.sizeInBytes() + libwebpBytes(header);
    const auto* data = reinterpret_cast<const uchar*>(bytes.constData());
    std::int64_t size = bytes.size();
    uchar* out = image.bits();
    int width = image.width(), height = image.height();
    std::unique_ptr<WebPDemuxer, DemuxDeleter> demux;
    if (header.extended) {
        const WebPData whole{data, std::size_t(bytes.size())};
        demux.reset(WebPDemux(&whole));
        if (!demux) {
            d.reason = QStringLiteral("WebP 图片数据已损坏或不完整，无法读出");
            return d;
        }
        WebPChunkIterator chunk;
        if (header.profile && WebPDemuxGetChunk(demux.get(), "ICCP", 1, &chunk) != 0) {
            d.colour.icc = QByteArray(reinterpret_cast<const char*>(chunk.chunk.bytes),
                                      qsizetype(chunk.chunk.size));
            WebPDemuxReleaseChunkIterator(&chunk);
        }
        if (header.animated) {
            // The first frame where it lies on the canvas; the canvas around it stays clear,
            // as a browser shows it (the background colour is only a hint).
            WebPIterator frame;
            if (WebPDemuxGetFrame(demux.get(), 1, &frame) == 0) {
                d.reason = QStringLiteral("WebP 动画里没有可以读出的画面");
                return d;
            }
            image.fill(Qt::transparent);
            data = frame.fragment.bytes;
            size = std::int64_t(frame.fragment.size);
            out += frame.y_offset * image.bytesPerLine() + 4 * frame.x_offset;
            width = frame.width;
            height = frame.height;
            WebPDemuxReleaseIterator(&frame);
        }
    }
    bool stopped = false;
    const VP8StatusCode status =
        decodeInto(data, size, out, image.bytesPerLine(), width, height, stop, &stopped);
    if (stopped) {
        return Decoded::Stopped();
    }
    if (status != VP8_STATUS_OK) {
        d.reason = status == VP8_STATUS_SUSPENDED || status == VP8_STATUS_NOT_ENOUGH_DATA
                       ? QStringLiteral("WebP 图片不完整，文件在图片数据中途就结束了")
                       : QStringLiteral("WebP 图片数据已损坏，无法读出");
        return d;
    }
    if (alpha) {
        d.peakBytes += image.sizeInBytes();  // laid over white in a copy
    } else if (header.extended) {
        // A VP8X that says nothing of alpha over a bitstream that has it: opaque, as it says.
        for (int y = 0; y < image.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                row[x] |= 0xff000000u;
            }
        }
    }
    d.image = std::move(image);
    return d;
}

}  // namespace lanxi
