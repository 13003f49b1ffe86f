#include "tests/support/jpeg_info.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>

extern "C" {
#include <jpeglib.h>
}

namespace lanxi::test {
namespace {

// Table K.1 and K.2 of the JPEG standard, in natural order.
constexpr std::uint16_t kLuminance[64] = {
    16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
    14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
    18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
    49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};
constexpr std::uint16_t kChrominance[64] = {
    17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99, 24, 26, 56, 99, 99, 99,
    99, 99, 47, 66, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
    99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99};

struct ErrorJump {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

[[noreturn]] void onError(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<ErrorJump*>(cinfo->err)->jump, 1);
}
void onMessage(j_common_ptr) {}

bool readHeader(jpeg_decompress_struct* cinfo, ErrorJump* err, const QByteArray* bytes,
                JpegInfo* info) {
    if (setjmp(err->jump)) {
        return false;
    }
    jpeg_create_decompress(cinfo);
    jpeg_mem_src(cinfo, reinterpret_cast<const unsigned char*>(bytes->constData()),
                 static_cast<unsigned long>(bytes->size()));
    jpeg_read_header(cinfo, TRUE);
    info->width = int(cinfo->image_width);
    info->height = int(cinfo->image_height);
    info->components = cinfo->num_components;
    for (int c = 0; c < cinfo->num_components; ++c) {
        info->sampling.emplace_back(cinfo->comp_info[c].h_samp_factor,
                                    cinfo->comp_info[c].v_samp_factor);
    }
    info->progressive = cinfo->progressive_mode;
    info->jfif = cinfo->saw_JFIF_marker;
    for (int t = 0; t < NUM_QUANT_TBLS && cinfo->quant_tbl_ptrs[t] != nullptr; ++t) {
        QuantTable table;
        std::copy(cinfo->quant_tbl_ptrs[t]->quantval, cinfo->quant_tbl_ptrs[t]->quantval + 64,
                  table.begin());
        info->quantTables.push_back(table);
    }
    if (const JHUFF_TBL* ac = cinfo->ac_huff_tbl_ptrs[0]) {
        for (int length = 1; length <= 16; ++length) {
            info->lumaAcSymbols += ac->bits[length];
        }
    }
    return true;
}

std::vector<int> markersOf(const QByteArray& bytes) {
    std::vector<int> markers;
    const auto at = [&](qsizetype i) { return int(static_cast<unsigned char>(bytes[i])); };
    if (bytes.size() < 2 || at(0) != 0xFF || at(1) != 0xD8) {
        return markers;
    }
    markers.push_back(0xD8);
    qsizetype i = 2;
    while (i + 4 <= bytes.size() && at(i) == 0xFF) {
        const int marker = at(i + 1);
        markers.push_back(marker);
        if (marker == 0xDA) {
            break;
        }
        i += 2 + (at(i + 2) << 8 | at(i + 3));
    }
    return markers;
}

}  // namespace

JpegInfo InspectJpeg(const QByteArray& bytes) {
    JpegInfo info;
    info.markers = markersOf(bytes);
    jpeg_decompress_struct cinfo{};
    ErrorJump err{};
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = onError;
    err.pub.output_message = onMessage;
    info.valid = readHeader(&cinfo, &err, &bytes, &info);
    jpeg_destroy_decompress(&cinfo);
    return info;
}

QuantTable StandardQuantTable(int table, int quality) {
    quality = std::clamp(quality, 1, 100);
    const int scale = quality < 50 ? 5000 / quality : 200 - 2 * quality;
    const std::uint16_t* base = table == 0 ? kLuminance : kChrominance;
    QuantTable result;
    for (int i = 0; i < 64; ++i) {
        result[i] = std::uint16_t(std::clamp((base[i] * scale + 50) / 100, 1, 255));
    }
    return result;
}

bool IsMetadataMarker(int marker) {
    return (marker >= 0xE1 && marker <= 0xEF) || marker == 0xFE;
}

}  // namespace lanxi::test
