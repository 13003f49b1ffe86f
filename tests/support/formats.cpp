#include "tests/support/formats.h"

#include "tests/support/images.h"

#include <libheif/heif.h>
#include <libheif/heif_properties.h>
#include <png.h>
#include <webp/encode.h>
#include <zlib.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QtEndian>
#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <memory>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

#ifdef LANXI_HEIF_TEST_ENCODERS
// libheif's encoders, built apart from the program's libheif (tools/build-libheif).
const heif_encoder_plugin* get_encoder_plugin_x265();
const heif_encoder_plugin* get_encoder_plugin_aom();
#endif

namespace lanxi::test {
namespace {

void appendPng(png_structp png, png_bytep data, png_size_t size) {
    static_cast<QByteArray*>(png_get_io_ptr(png))
        ->append(reinterpret_cast<const char*>(data), qsizetype(size));
}

// The samples of one pixel at the PNG's depth, appended to `row` (whole bytes; packed later).
void putSample(std::vector<int>* row, int value8, int depth) {
    row->push_back(depth == 16 ? value8 * 257 : value8 >> (8 - std::min(depth, 8)));
}

// libpng's writing with its long jumps kept away from the vectors.
bool writePng(QByteArray* out, int width, int height, int colourType, int depth, bool interlaced,
              const std::vector<png_color>& palette, const std::vector<png_byte>& paletteAlpha,
              const png_color_16* transparent, const PngMaking& how, png_bytepp rows) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, out, appendPng, nullptr);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), depth, colourType,
                 interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!palette.empty()) {
        png_set_PLTE(png, info, palette.data(), int(palette.size()));
    }
    if (!paletteAlpha.empty() || transparent != nullptr) {
        png_set_tRNS(png, info, paletteAlpha.empty() ? nullptr : paletteAlpha.data(),
                     int(paletteAlpha.size()), transparent);
    }
    if (!how.profile.isEmpty()) {
        png_set_iCCP(png, info, "profile", 0,
                     reinterpret_cast<png_const_bytep>(how.profile.constData()),
                     png_uint_32(how.profile.size()));
    }
    if (how.srgbChunk) {
        png_set_sRGB(png, info, PNG_sRGB_INTENT_PERCEPTUAL);
    }
    if (how.gamma != 0) {
        png_set_gAMA_fixed(png, info, how.gamma);
    }
    if (how.chromaticities) {
        const auto& c = *how.chromaticities;
        png_set_cHRM_fixed(png, info, c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7]);
    }
    png_write_info(png, info);
    if (depth == 16) {
        png_set_swap(png);  // our samples are in the machine's order
    }
    png_write_image(png, rows);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

struct Chunk {
    QByteArray type;
    QByteArray data;
};

QByteArray riffChunk(const QByteArray& type, const QByteArray& data) {
    QByteArray c = type;
    char size[4];
    qToLittleEndian(quint32(data.size()), size);
    c.append(size, 4).append(data);
    if (data.size() % 2 != 0) {
        c.append('\0');
    }
    return c;
}

std::vector<Chunk> riffChunks(const QByteArray& webp) {
    std::vector<Chunk> chunks;
    for (qsizetype at = 12; at + 8 <= webp.size();) {
        const qsizetype size = qFromLittleEndian<quint32>(webp.constData() + at + 4);
        chunks.push_back({webp.mid(at, 4), webp.mid(at + 8, size)});
        at += 8 + size + (size % 2);
    }
    return chunks;
}

QByteArray riff(const QByteArray& body) {
    QByteArray out("RIFF");
    char size[4];
    qToLittleEndian(quint32(body.size() + 4), size);
    return out.append(size, 4).append("WEBP").append(body);
}

QByteArray le24(int v) {
    char b[4];
    qToLittleEndian(quint32(v), b);
    return QByteArray(b, 3);
}

QByteArray vp8x(int flags, QSize canvas) {
    return riffChunk("VP8X", QByteArray(1, char(flags)) + QByteArray(3, 0) +
                                 le24(canvas.width() - 1) + le24(canvas.height() - 1));
}

QByteArray encodeWebp(const QImage& image, bool lossless, int quality) {
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    uint8_t* out = nullptr;
    const auto* bits = argb.constBits();
    const std::size_t size = lossless
                                 ? WebPEncodeLosslessBGRA(bits, argb.width(), argb.height(),
                                                          int(argb.bytesPerLine()), &out)
                                 : WebPEncodeBGRA(bits, argb.width(), argb.height(),
                                                  int(argb.bytesPerLine()), float(quality), &out);
    QByteArray webp(reinterpret_cast<const char*>(out), qsizetype(size));
    WebPFree(out);
    return webp;
}

struct HeifWriter {
    static heif_error write(heif_context*, const void* data, size_t size, void* userdata) {
        static_cast<QByteArray*>(userdata)->append(static_cast<const char*>(data), qsizetype(size));
        return {heif_error_Ok, heif_suberror_Unspecified, ""};
    }
};

// libheif's own HEVC and AV1 encoders, which the program's libheif leaves out, registered with
// it once.
void registerHeifEncoders() {
#ifdef LANXI_HEIF_TEST_ENCODERS
    static const bool registered = [] {
        heif_register_encoder_plugin(get_encoder_plugin_x265());
        heif_register_encoder_plugin(get_encoder_plugin_aom());
        return true;
    }();
    (void)registered;
#endif
}

using HeifPicture = std::unique_ptr<heif_image, void (*)(const heif_image*)>;

// libheif's picture of the part `area` of `argb` (black beyond its edge, as a phone pads the
// tiles at the picture's edges), at `depth` bits a sample.
heif_image* heifPicture(const QImage& argb, QRect area, bool alpha, int depth) {
    const bool deep = depth > 8;
    const heif_chroma chroma =
        deep ? (alpha ? heif_chroma_interleaved_RRGGBBAA_LE : heif_chroma_interleaved_RRGGBB_LE)
             : (alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB);
    heif_image* raw = nullptr;
    heif_image_create(area.width(), area.height(), heif_colorspace_RGB, chroma, &raw);
    heif_image_add_plane(raw, heif_channel_interleaved, area.width(), area.height(), depth);
    int stride = 0;
    uint8_t* plane = heif_image_get_plane(raw, heif_channel_interleaved, &stride);
    const int channels = alpha ? 4 : 3;
    const int top = (1 << depth) - 1;
    for (int y = 0; y < area.height(); ++y) {
        uint8_t* out = plane + std::size_t(y) * std::size_t(stride);
        const int row = area.y() + y;
        const auto* in =
            row < argb.height() ? reinterpret_cast<const QRgb*>(argb.scanLine(row)) : nullptr;
        for (int x = 0; x < area.width(); ++x) {
            const int column = area.x() + x;
            const QRgb p = in != nullptr && column < argb.width() ? in[column] : qRgb(0, 0, 0);
            const int samples[4] = {qRed(p), qGreen(p), qBlue(p), qAlpha(p)};
            for (int c = 0; c < channels; ++c) {
                const int v = (samples[c] * top + 127) / 255;
                *out++ = uint8_t(v & 0xff);
                if (deep) {
                    *out++ = uint8_t(v >> 8);
                }
            }
        }
    }
    return raw;
}

// A grid's colour box (the profile, or the nclx code points) and its turn and mirror, as a
// phone writes them: on the grid, in that order (descriptive properties first).
bool addGridProperties(heif_context* context, heif_image_handle* grid, const HeifMaking& how) {
    const heif_item_id id = heif_image_handle_get_item_id(grid);
    const auto add = [&](const char(&type)[5], const QByteArray& data, bool essential) {
        return heif_item_add_raw_property(context, id,
                                          heif_fourcc(type[0], type[1], type[2], type[3]), nullptr,
                                          reinterpret_cast<const uint8_t*>(data.constData()),
                                          std::size_t(data.size()), essential ? 1 : 0, nullptr)
                   .code == heif_error_Ok;
    };
    bool added = true;
    if (!how.profile.isEmpty()) {
        added = add("colr", QByteArray("prof") + how.profile, false);
    } else if (how.nclx) {
        QByteArray colr("nclx");
        for (const int v : {how.nclx->first, how.nclx->second, 6}) {
            colr += char(v >> 8);
            colr += char(v & 0xff);
        }
        colr += char(0x80);  // full range
        added = add("colr", colr, false);
    }
    // The Exif orientation as a turn anticlockwise (in quarter turns) and then a mirror (0 flips
    // top and bottom, 1 left and right).
    static const struct {
        int quarters;
        int mirror;
    } turns[] = {{0, -1}, {0, -1}, {0, 1}, {2, -1}, {0, 0}, {3, 1}, {3, -1}, {3, 0}, {1, -1}};
    const auto turn = turns[std::clamp(how.orientation, 1, 8)];
    if (added && turn.quarters != 0) {
        added = add("irot", QByteArray(1, char(turn.quarters)), true);
    }
    if (added && turn.mirror >= 0) {
        added = add("imir", QByteArray(1, char(turn.mirror)), true);
    }
    return added;
}

}  // namespace

QByteArray PngChunk(const char* type, const QByteArray& data) {
    QByteArray c(4, Qt::Uninitialized);
    qToBigEndian(quint32(data.size()), c.data());
    const QByteArray body = QByteArray(type, 4) + data;
    c += body;
    QByteArray crc(4, Qt::Uninitialized);
    qToBigEndian(
        quint32(crc32(0, reinterpret_cast<const Bytef*>(body.constData()), uInt(body.size()))),
        crc.data());
    return c + crc;
}

QByteArray MakePng(const QImage& image, const PngMaking& how) {
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    const int w = argb.width(), h = argb.height();
    std::vector<png_color> palette;
    std::vector<png_byte> paletteAlpha;
    std::vector<QRgb> colours;
    int type = PNG_COLOR_TYPE_RGB;
    switch (how.kind) {
        case PngMaking::Grey:
            type = PNG_COLOR_TYPE_GRAY;
            break;
        case PngMaking::GreyAlpha:
            type = PNG_COLOR_TYPE_GRAY_ALPHA;
            break;
        case PngMaking::Rgb:
            type = PNG_COLOR_TYPE_RGB;
            break;
        case PngMaking::RgbAlpha:
            type = PNG_COLOR_TYPE_RGB_ALPHA;
            break;
        case PngMaking::Palette:
            type = PNG_COLOR_TYPE_PALETTE;
            break;
    }
    std::vector<std::vector<png_byte>> rows;
    rows.resize(std::size_t(h));
    for (int y = 0; y < h; ++y) {
        std::vector<int> samples;
        for (int x = 0; x < w; ++x) {
            const QRgb p = argb.pixel(x, y);
            switch (how.kind) {
                case PngMaking::Grey:
                case PngMaking::GreyAlpha:
                    putSample(&samples, qGreen(p), how.depth);
                    break;
                case PngMaking::Rgb:
                case PngMaking::RgbAlpha:
                    putSample(&samples, qRed(p), how.depth);
                    putSample(&samples, qGreen(p), how.depth);
                    putSample(&samples, qBlue(p), how.depth);
                    break;
                case PngMaking::Palette: {
                    auto at = std::find(colours.begin(), colours.end(), p);
                    if (at == colours.end()) {
                        colours.push_back(p);
                        at = colours.end() - 1;
                    }
                    samples.push_back(int(at - colours.begin()));
                    break;
                }
            }
            if (how.kind == PngMaking::GreyAlpha || how.kind == PngMaking::RgbAlpha) {
                putSample(&samples, qAlpha(p), how.depth);
            }
        }
        std::vector<png_byte>& row = rows[std::size_t(y)];
        if (how.depth == 16) {
            row.resize(samples.size() * 2);
            for (std::size_t i = 0; i < samples.size(); ++i) {
                const quint16 v = quint16(samples[i]);
                std::memcpy(row.data() + 2 * i, &v, 2);
            }
        } else {
            row.assign((samples.size() * std::size_t(how.depth) + 7) / 8, 0);
            for (std::size_t i = 0; i < samples.size(); ++i) {
                const std::size_t bit = i * std::size_t(how.depth);
                row[bit / 8] |= png_byte(samples[i] << (8 - how.depth - int(bit % 8)));
            }
        }
    }
    for (const QRgb c : colours) {
        palette.push_back({png_byte(qRed(c)), png_byte(qGreen(c)), png_byte(qBlue(c))});
        if (how.transparentColour) {
            paletteAlpha.push_back(png_byte(qAlpha(c)));
        }
    }
    png_color_16 transparent{};
    const QRgb first = argb.pixel(0, 0);
    const auto scaled = [&](int v) {
        return png_uint_16(how.depth == 16 ? v * 257 : v >> (8 - how.depth));
    };
    transparent.gray = scaled(qGreen(first));
    transparent.red = scaled(qRed(first));
    transparent.green = scaled(qGreen(first));
    transparent.blue = scaled(qBlue(first));
    std::vector<png_bytep> pointers;
    for (auto& row : rows) {
        pointers.push_back(row.data());
    }
    QByteArray out;
    const bool colourKey = how.transparentColour && how.kind != PngMaking::Palette;
    if (!writePng(&out, w, h, type, how.depth, how.interlaced, palette, paletteAlpha,
                  colourKey ? &transparent : nullptr, how, pointers.data())) {
        ADD_FAILURE() << "libpng could not write the test's PNG";
        return {};
    }
    return out;
}

QByteArray MakeWebp(const QImage& image, bool lossless, int quality, const QByteArray& profile) {
    const QByteArray simple = encodeWebp(image, lossless, quality);
    if (profile.isEmpty()) {
        return simple;
    }
    std::vector<Chunk> chunks = riffChunks(simple);
    QByteArray body;
    int flags = 0x20;  // ICC
    if (image.hasAlphaChannel()) {
        flags |= 0x10;
    }
    body += vp8x(flags, image.size());
    body += riffChunk("ICCP", profile);
    for (const Chunk& c : chunks) {
        if (c.type != "VP8X") {
            body += riffChunk(c.type, c.data);
        }
    }
    return riff(body);
}

QByteArray AnimatedWebp(QSize canvas, const QImage& first, QPoint at,
                        const std::vector<QImage>& others) {
    QByteArray body = vp8x(0x02 | 0x10, canvas);
    body += riffChunk("ANIM", QByteArray(6, 0));
    const auto frame = [&](const QImage& image, QPoint where) {
        QByteArray data = le24(where.x() / 2) + le24(where.y() / 2) + le24(image.width() - 1) +
                          le24(image.height() - 1) + le24(100) + QByteArray(1, 0);
        for (const Chunk& c : riffChunks(encodeWebp(image, true, 100))) {
            data += riffChunk(c.type, c.data);
        }
        body += riffChunk("ANMF", data);
    };
    frame(first, at);
    for (const QImage& image : others) {
        frame(image, {0, 0});
    }
    return riff(body);
}

QByteArray MakeHeif(const QImage& image, const HeifMaking& how) {
    registerHeifEncoders();
    const heif_compression_format format = how.avif ? heif_compression_AV1 : heif_compression_HEVC;
    if (heif_have_encoder_for_format(format) == 0) {
        return {};
    }
    std::unique_ptr<heif_context, void (*)(heif_context*)> context(heif_context_alloc(),
                                                                   heif_context_free);
    heif_encoder* encoder = nullptr;
    if (heif_context_get_encoder_for_format(context.get(), format, &encoder).code !=
        heif_error_Ok) {
        return {};
    }
    std::unique_ptr<heif_encoder, void (*)(heif_encoder*)> ownedEncoder(encoder,
                                                                        heif_encoder_release);
    if (how.lossless) {
        heif_encoder_set_lossless(encoder, 1);
    } else {
        heif_encoder_set_lossy_quality(encoder, how.quality);
    }
    if (how.slices > 1) {
        heif_encoder_set_parameter_string(encoder, "x265:slices",
                                          QByteArray::number(how.slices).constData());
    }
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    heif_color_profile_nclx* nclx = heif_nclx_color_profile_alloc();
    std::unique_ptr<heif_color_profile_nclx, void (*)(heif_color_profile_nclx*)> ownedNclx(
        nclx, heif_nclx_color_profile_free);
    heif_encoding_options* options = heif_encoding_options_alloc();
    std::unique_ptr<heif_encoding_options, void (*)(heif_encoding_options*)> ownedOptions(
        options, heif_encoding_options_free);
    if (how.nclx) {
        heif_nclx_color_profile_set_color_primaries(nclx, uint16_t(how.nclx->first));
        heif_nclx_color_profile_set_transfer_characteristics(nclx, uint16_t(how.nclx->second));
        heif_nclx_color_profile_set_matrix_coefficients(nclx, 6);
        nclx->full_range_flag = 1;
        options->output_nclx_profile = nclx;
        // A colr box, as most phones write it, not only the coded stream's own description.
        options->macOS_compatibility_workaround_no_nclx_profile = 0;
    }
    // The picture of the part `area` of the image, with its colour description.
    const auto picture = [&](QRect area) {
        HeifPicture p(heifPicture(argb, area, image.hasAlphaChannel(), how.bitDepth),
                      heif_image_release);
        if (!how.profile.isEmpty()) {
            heif_image_set_raw_color_profile(p.get(), "prof", how.profile.constData(),
                                             std::size_t(how.profile.size()));
        }
        if (how.nclx) {
            heif_image_set_nclx_color_profile(p.get(), nclx);
        }
        return p;
    };
    bool encoded = true;
    if (!how.tile.isValid()) {
        options->image_orientation = heif_orientation(how.orientation);
        encoded = heif_context_encode_image(context.get(), picture(argb.rect()).get(), encoder,
                                            options, nullptr)
                      .code == heif_error_Ok;
    } else {
        // Each tile coded upright and plain; the grid says how the whole turns and what its
        // colours mean.
        const QSize canvas = how.canvas.isValid() ? how.canvas : image.size();
        const int columns = (image.width() + how.tile.width() - 1) / how.tile.width();
        const int rows = (image.height() + how.tile.height() - 1) / how.tile.height();
        heif_image_handle* raw = nullptr;
        encoded = heif_context_add_grid_image(context.get(), uint32_t(canvas.width()),
                                              uint32_t(canvas.height()), uint32_t(columns),
                                              uint32_t(rows), options, &raw)
                      .code == heif_error_Ok;
        const std::unique_ptr<heif_image_handle, void (*)(const heif_image_handle*)> grid(
            raw, heif_image_handle_release);
        for (int y = 0; encoded && y < rows; ++y) {
            for (int x = 0; encoded && x < columns; ++x) {
                if (QPoint(x, y) == how.missingTile) {
                    continue;
                }
                const QRect area(QPoint(x * how.tile.width(), y * how.tile.height()), how.tile);
                encoded = heif_context_add_image_tile(context.get(), grid.get(), uint32_t(x),
                                                      uint32_t(y), picture(area).get(), encoder)
                              .code == heif_error_Ok;
            }
        }
        encoded = encoded && addGridProperties(context.get(), grid.get(), how) &&
                  heif_context_set_primary_image(context.get(), grid.get()).code == heif_error_Ok;
    }
    if (!encoded) {
        ADD_FAILURE() << "libheif could not encode the test's picture";
        return {};
    }
    QByteArray out;
    heif_writer writer{1, HeifWriter::write};
    heif_context_write(context.get(), &writer, &out);
    return out;
}

QByteArray CachedPicture(const QString& name, const std::function<QByteArray()>& make) {
    QString folder = QStringLiteral("lanxi-pictool-tests-libheif-%1")
                         .arg(QString::fromLatin1(heif_get_version()));
#ifdef Q_OS_UNIX
    folder += QStringLiteral("-%1").arg(getuid());
#endif
    const QString path = QDir::temp().filePath(folder + QLatin1Char('/') + name);
    if (QFile kept(path); kept.open(QIODevice::ReadOnly)) {
        return kept.readAll();
    }
    const QByteArray bytes = make();
    // Written whole or not at all: test programs run side by side.
    if (!bytes.isEmpty() && QDir().mkpath(QFileInfo(path).path())) {
        QSaveFile file(path);
        if (file.open(QIODevice::WriteOnly)) {
            file.write(bytes);
            file.commit();
        }
    }
    return bytes;
}

QByteArray PhoneHeic() {
    return CachedPicture(QStringLiteral("phone-4032x3024.heic"), [] {
        HeifMaking how;
        how.quality = 60;
        how.tile = QSize(512, 512);
        return MakeHeif(SmoothImage(4032, 3024), how);
    });
}

}  // namespace lanxi::test
