#include "encoder/jpeg_transcode.h"

#include <QSize>
#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "codec/jpeg_header.h"
#include "codec/libjpeg_errors.h"
#include "codec/source.h"

namespace lanxi {
namespace {

using detail::JpegErrorJump;
using detail::UseJpegErrorJump;

// How the blocks move to turn a picture upright by an Exif orientation: the picture is first
// transposed (rows become columns), then flipped along the output's axes.
struct Turn {
    bool transpose = false, flipX = false, flipY = false;
    bool none() const { return !transpose && !flipX && !flipY; }
};

Turn turnFor(int orientation) {
    switch (orientation) {
        case 2:
            return {false, true, false};
        case 3:
            return {false, true, true};
        case 4:
            return {false, false, true};
        case 5:
            return {true, false, false};
        case 6:
            return {true, true, false};
        case 7:
            return {true, true, true};
        case 8:
            return {true, false, true};
        default:
            return {};
    }
}

// Everything one copy owns inside libjpeg, in one block on the heap, value-initialised.
struct Transcoder {
    jpeg_decompress_struct in;
    jpeg_compress_struct out;
    JpegErrorJump inErr;
    JpegErrorJump outErr;
    unsigned char* bytes;
    unsigned long size;
    jvirt_barray_ptr turned[MAX_COMPONENTS];
    int quality;
    bool unfit;  // not a picture this copy is made of, or not one that turns without loss
};

// The quality whose luminance table, as libjpeg scales its standard table, is nearest to `table`.
int qualityOf(const JQUANT_TBL* table) {
    static const std::array<std::array<UINT16, DCTSIZE2>, 101> scaled = [] {
        std::array<std::array<UINT16, DCTSIZE2>, 101> all{};
        jpeg_compress_struct cinfo{};
        jpeg_error_mgr err{};
        cinfo.err = jpeg_std_error(&err);
        jpeg_create_compress(&cinfo);
        cinfo.in_color_space = JCS_RGB;
        jpeg_set_defaults(&cinfo);
        for (int q = 1; q <= 100; ++q) {
            jpeg_set_quality(&cinfo, q, TRUE);
            std::copy_n(cinfo.quant_tbl_ptrs[0]->quantval, DCTSIZE2, all[std::size_t(q)].begin());
        }
        jpeg_destroy_compress(&cinfo);
        return all;
    }();
    int best = 0;
    long bestDistance = -1;
    for (int q = 1; q <= 100; ++q) {
        long distance = 0;
        for (int i = 0; i < DCTSIZE2; ++i) {
            distance +=
                std::labs(long(scaled[std::size_t(q)][std::size_t(i)]) - table->quantval[i]);
        }
        if (bestDistance < 0 || distance < bestDistance) {
            best = q;
            bestDistance = distance;
        }
    }
    return best;
}

// Every libjpeg call that may fail runs in one of these functions; their frames hold nothing
// but plain data, so the long jump out of the library skips no destructor.
bool read(Transcoder* t, const unsigned char* data, unsigned long size, Turn turn) {
    if (setjmp(t->inErr.jump)) {
        return false;
    }
    jpeg_create_decompress(&t->in);
    jpeg_mem_src(&t->in, data, size);
    jpeg_read_header(&t->in, TRUE);
    jpeg_decompress_struct* in = &t->in;
    if ((in->jpeg_color_space != JCS_YCbCr && in->jpeg_color_space != JCS_GRAYSCALE) ||
        (in->num_components != 1 && in->num_components != 3)) {
        t->unfit = true;
        return true;
    }
    const long w = long(in->image_width), h = long(in->image_height);
    // A flipped side must be a whole number of the picture's blocks: partial blocks at the edge
    // would land on the other side.
    const bool flipsWidth = turn.transpose ? turn.flipY : turn.flipX;
    const bool flipsHeight = turn.transpose ? turn.flipX : turn.flipY;
    if ((flipsWidth && w % (DCTSIZE * in->max_h_samp_factor) != 0) ||
        (flipsHeight && h % (DCTSIZE * in->max_v_samp_factor) != 0)) {
        t->unfit = true;
        return true;
    }
    if (!turn.none()) {
        // The turned blocks, whole sampling units of them, requested before the picture's own
        // arrays are made.
        for (int c = 0; c < in->num_components; ++c) {
            const jpeg_component_info& comp = in->comp_info[c];
            const long hs = turn.transpose ? comp.v_samp_factor : comp.h_samp_factor;
            const long vs = turn.transpose ? comp.h_samp_factor : comp.v_samp_factor;
            const long wide = turn.transpose ? comp.height_in_blocks : comp.width_in_blocks;
            const long high = turn.transpose ? comp.width_in_blocks : comp.height_in_blocks;
            t->turned[c] =
                in->mem->request_virt_barray(reinterpret_cast<j_common_ptr>(in), JPOOL_IMAGE, TRUE,
                                             JDIMENSION((wide + hs - 1) / hs * hs),
                                             JDIMENSION((high + vs - 1) / vs * vs), JDIMENSION(vs));
        }
    }
    return true;
}

bool write(Transcoder* t, jvirt_barray_ptr* blocks, Turn turn) {
    if (setjmp(t->outErr.jump)) {
        return false;
    }
    jpeg_decompress_struct* in = &t->in;
    jpeg_compress_struct* out = &t->out;
    jpeg_create_compress(out);
    jpeg_mem_dest(out, &t->bytes, &t->size);
    jpeg_copy_critical_parameters(in, out);
    out->optimize_coding = TRUE;
    out->arith_code = FALSE;
    if (turn.transpose) {
        std::swap(out->image_width, out->image_height);
        for (int c = 0; c < out->num_components; ++c) {
            std::swap(out->comp_info[c].h_samp_factor, out->comp_info[c].v_samp_factor);
        }
        // The frequencies trade places with the coefficients, and so do their divisors.
        for (JQUANT_TBL* table : out->quant_tbl_ptrs) {
            if (table != nullptr) {
                for (int k = 0; k < DCTSIZE; ++k) {
                    for (int l = 0; l < k; ++l) {
                        std::swap(table->quantval[k * DCTSIZE + l],
                                  table->quantval[l * DCTSIZE + k]);
                    }
                }
            }
        }
    }
    jvirt_barray_ptr* written = blocks;
    if (!turn.none()) {
        const j_common_ptr common = reinterpret_cast<j_common_ptr>(in);
        for (int c = 0; c < in->num_components; ++c) {
            const jpeg_component_info& comp = in->comp_info[c];
            const long inWide = long(comp.width_in_blocks), inHigh = long(comp.height_in_blocks);
            const long outWide = turn.transpose ? inHigh : inWide;
            const long outHigh = turn.transpose ? inWide : inHigh;
            const long vs = turn.transpose ? comp.h_samp_factor : comp.v_samp_factor;
            const long rows = (outHigh + vs - 1) / vs * vs;
            const long hs = turn.transpose ? comp.v_samp_factor : comp.h_samp_factor;
            const long columns = (outWide + hs - 1) / hs * hs;
            for (long oy = 0; oy < rows; ++oy) {
                JBLOCKROW row =
                    in->mem->access_virt_barray(common, t->turned[c], JDIMENSION(oy), 1, TRUE)[0];
                for (long ox = 0; ox < columns; ++ox) {
                    JCOEF* target = row[ox];
                    const long fx = turn.flipX ? outWide - 1 - ox : ox;
                    const long fy = turn.flipY ? outHigh - 1 - oy : oy;
                    const long ix = turn.transpose ? fy : fx, iy = turn.transpose ? fx : fy;
                    if (ox >= outWide || oy >= outHigh || ix < 0 || iy < 0 || ix >= inWide ||
                        iy >= inHigh) {
                        std::fill_n(target, DCTSIZE2, JCOEF(0));  // beyond the picture
                        continue;
                    }
                    const JCOEF* source = in->mem->access_virt_barray(
                        common, blocks[c], JDIMENSION(iy), 1, FALSE)[0][ix];
                    for (int k = 0; k < DCTSIZE; ++k) {
                        for (int l = 0; l < DCTSIZE; ++l) {
                            JCOEF v =
                                turn.transpose ? source[l * DCTSIZE + k] : source[k * DCTSIZE + l];
                            // Mirroring a block negates its odd frequencies along that axis.
                            if ((turn.flipX && (l & 1)) != (turn.flipY && (k & 1))) {
                                v = JCOEF(-v);
                            }
                            target[k * DCTSIZE + l] = v;
                        }
                    }
                }
            }
        }
        written = t->turned;
    }
    jpeg_write_coefficients(out, written);
    jpeg_finish_compress(out);
    return true;
}

bool readBlocks(Transcoder* t, jvirt_barray_ptr** blocks) {
    if (setjmp(t->inErr.jump)) {
        return false;
    }
    *blocks = jpeg_read_coefficients(&t->in);
    t->quality = t->in.quant_tbl_ptrs[0] != nullptr ? qualityOf(t->in.quant_tbl_ptrs[0]) : 0;
    return true;
}

}  // namespace

LosslessJpeg LosslessJpegCopy(const QByteArray& jpeg) {
    LosslessJpeg copy;
    const JpegHeader header = ReadJpegHeader(MemorySource(jpeg), false);
    if (!header.found || !JpegFootprint(header, jpeg.size()).refusal.isEmpty()) {
        copy.reason = QStringLiteral("不是可以无损复制的 JPEG 图片");
        return copy;
    }
    const Turn turn = turnFor(header.orientation);
    std::unique_ptr<Transcoder> t(new (std::nothrow) Transcoder());
    if (!t) {
        copy.reason = QStringLiteral("内存不足");
        return copy;
    }
    UseJpegErrorJump(&t->in, &t->inErr);
    UseJpegErrorJump(&t->out, &t->outErr);
    const auto* data = reinterpret_cast<const unsigned char*>(jpeg.constData());
    jvirt_barray_ptr* blocks = nullptr;
    bool ok = read(t.get(), data, static_cast<unsigned long>(jpeg.size()), turn);
    if (ok && !t->unfit) {
        ok = readBlocks(t.get(), &blocks) && write(t.get(), blocks, turn);
    }
    if (ok && !t->unfit && t->bytes != nullptr) {
        copy.bytes = QByteArray(reinterpret_cast<const char*>(t->bytes), qsizetype(t->size));
        copy.quality = t->quality;
    } else {
        copy.reason = t->unfit ? QStringLiteral("这张 JPEG 图片不能无损复制")
                               : QStringLiteral("JPEG 图片已损坏（%1）").arg(t->inErr.pub.msg_code);
    }
    jpeg_destroy_compress(&t->out);
    jpeg_destroy_decompress(&t->in);
    std::free(t->bytes);
    return copy;
}

}  // namespace lanxi
