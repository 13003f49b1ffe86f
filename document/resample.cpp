#include "document/resample.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>
#include <numbers>
#include <vector>

#include "document/picture.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

namespace lanxi {
namespace {

double sinc(double x) {
    if (x == 0) {
        return 1;
    }
    const double px = std::numbers::pi * x;
    return std::sin(px) / px;
}

double lanczos3(double x) {
    return std::abs(x) < 3 ? sinc(x) * sinc(x / 3) : 0;
}

// The quadratic B-spline that Magic Kernel Sharp sharpens.
double magic(double x) {
    x = std::abs(x);
    if (x <= 0.5) {
        return 0.75 - x * x;
    }
    return x < 1.5 ? 0.5 * (x - 1.5) * (x - 1.5) : 0;
}

double magicKernelSharp(double x) {
    return 1.5 * magic(x) - 0.25 * (magic(x - 1) + magic(x + 1));
}

struct Kernel {
    double (*weight)(double);
    double support;  // in output pixels, each side
};

Kernel kernelOf(Reduction reduction) {
    return reduction == Reduction::Lanczos3 ? Kernel{lanczos3, 3} : Kernel{magicKernelSharp, 2.5};
}

// How the pixels of one side are made from the input's: output pixel i is the sum of
// weights[i * taps + t] times input pixel first[i] + t, for t below count[i]; the weights from
// count[i] to taps are zeros.
struct Filter {
    std::vector<int> first;
    std::vector<int> count;
    std::vector<float> weights;
    int taps = 1;  // the most any output pixel takes
};

// The filter from `in` pixels, each the average of `factor` of the side's `source` pixels (the
// last may stand for fewer), to `out` pixels.
Filter makeFilter(int source, int factor, int in, int out, Kernel kernel) {
    Filter f;
    f.first.resize(std::size_t(out));
    f.count.assign(std::size_t(out), 1);
    if (in == out && factor == 1) {
        for (int i = 0; i < out; ++i) {
            f.first[std::size_t(i)] = i;
        }
        f.weights.assign(std::size_t(out), 1.0f);
        return f;
    }
    // Input pixels per output pixel; on a reduction the kernel is stretched by it, so that it
    // cuts off what the new size cannot hold.
    const double ratio = double(source) / factor / out;
    const double scale = std::max(1.0, ratio);
    const double reach = kernel.support * scale;
    f.taps = int(std::ceil(2 * reach)) + 1;
    f.weights.assign(std::size_t(out) * std::size_t(f.taps), 0.0f);
    std::vector<double> w(std::size_t(f.taps));
    for (int i = 0; i < out; ++i) {
        // Pixel centres lie at half pixels: the centre of output pixel i on the input's scale.
        const double centre = (i + 0.5) * ratio - 0.5;
        const int lo = int(std::ceil(centre - reach));
        const int hi = std::min(int(std::floor(centre + reach)), lo + f.taps - 1);
        const int first = std::clamp(lo, 0, in - 1);
        const int last = std::clamp(hi, 0, in - 1);
        std::fill(w.begin(), w.end(), 0.0);
        double sum = 0;
        for (int j = lo; j <= hi; ++j) {
            // Beyond an edge the edge's pixel repeats.
            const double v = kernel.weight((j - centre) / scale);
            w[std::size_t(std::clamp(j, 0, in - 1) - first)] += v;
            sum += v;
        }
        if (std::abs(sum) < 1e-9) {  // cannot happen with these kernels; never divide by it
            w.assign(w.size(), 0.0);
            w[std::size_t(std::clamp(int(std::lround(centre)), first, last) - first)] = 1;
            sum = 1;
        }
        f.first[std::size_t(i)] = first;
        f.count[std::size_t(i)] = last - first + 1;
        for (int t = 0; t <= last - first; ++t) {
            f.weights[std::size_t(i) * std::size_t(f.taps) + std::size_t(t)] =
                float(w[std::size_t(t)] / sum);
        }
    }
    return f;
}

// Four floats worked on at once: a pixel's channels, or four of a row's values.
#if defined(__SSE2__) || defined(_M_X64)
struct Four {
    __m128 v;
};
inline Four load(const float* p) {
    return {_mm_loadu_ps(p)};
}
inline Four splat(float f) {
    return {_mm_set1_ps(f)};
}
inline Four zero() {
    return {_mm_setzero_ps()};
}
inline void store(float* p, Four a) {
    _mm_storeu_ps(p, a.v);
}
inline Four operator+(Four a, Four b) {
    return {_mm_add_ps(a.v, b.v)};
}
inline Four operator*(Four a, Four b) {
    return {_mm_mul_ps(a.v, b.v)};
}
// Four bytes (a pixel) as floats, and back, rounded to the nearest and clipped to 0..255.
inline Four fromBytes(const uchar* p) {
    const __m128i zero = _mm_setzero_si128();
    std::int32_t word;
    std::memcpy(&word, p, 4);
    const __m128i bytes = _mm_cvtsi32_si128(word);
    return {_mm_cvtepi32_ps(_mm_unpacklo_epi16(_mm_unpacklo_epi8(bytes, zero), zero))};
}
// sums[i] += bytes[i] for i below n, a multiple of 4.
inline void addBytes(std::uint32_t* sums, const uchar* bytes, std::size_t n) {
    const __m128i zero = _mm_setzero_si128();
    std::size_t i = 0;
    for (; i + 16 <= n; i += 16) {
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
        const __m128i lo = _mm_unpacklo_epi8(b, zero), hi = _mm_unpackhi_epi8(b, zero);
        const __m128i parts[4] = {_mm_unpacklo_epi16(lo, zero), _mm_unpackhi_epi16(lo, zero),
                                  _mm_unpacklo_epi16(hi, zero), _mm_unpackhi_epi16(hi, zero)};
        for (std::size_t k = 0; k < 4; ++k) {
            auto* at = reinterpret_cast<__m128i*>(sums + i + 4 * k);
            _mm_storeu_si128(at, _mm_add_epi32(_mm_loadu_si128(at), parts[k]));
        }
    }
    for (; i < n; ++i) {
        sums[i] += bytes[i];
    }
}
// The sum of `count` pixels' sums from `sums`, times `scale`.
inline Four sumPixels(const std::uint32_t* sums, int count, float scale) {
    __m128i total = _mm_setzero_si128();
    for (int u = 0; u < count; ++u) {
        total =
            _mm_add_epi32(total, _mm_loadu_si128(reinterpret_cast<const __m128i*>(sums + 4 * u)));
    }
    return {_mm_mul_ps(_mm_cvtepi32_ps(total), _mm_set1_ps(scale))};
}
inline void toBytes(Four a, uchar* p) {
    const __m128i words = _mm_cvtps_epi32(a.v);
    const __m128i packed = _mm_packus_epi16(_mm_packs_epi32(words, words), words);
    const std::int32_t word = _mm_cvtsi128_si32(packed);
    std::memcpy(p, &word, 4);
}
#else
struct Four {
    float v[4];
};
inline Four load(const float* p) {
    return {{p[0], p[1], p[2], p[3]}};
}
inline Four splat(float f) {
    return {{f, f, f, f}};
}
inline Four zero() {
    return splat(0);
}
inline void store(float* p, Four a) {
    std::copy(a.v, a.v + 4, p);
}
inline Four operator+(Four a, Four b) {
    return {{a.v[0] + b.v[0], a.v[1] + b.v[1], a.v[2] + b.v[2], a.v[3] + b.v[3]}};
}
inline Four operator*(Four a, Four b) {
    return {{a.v[0] * b.v[0], a.v[1] * b.v[1], a.v[2] * b.v[2], a.v[3] * b.v[3]}};
}
inline Four fromBytes(const uchar* p) {
    return {{float(p[0]), float(p[1]), float(p[2]), float(p[3])}};
}
inline void addBytes(std::uint32_t* sums, const uchar* bytes, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        sums[i] += bytes[i];
    }
}
inline Four sumPixels(const std::uint32_t* sums, int count, float scale) {
    Four total = zero();
    for (int u = 0; u < count; ++u) {
        for (int c = 0; c < 4; ++c) {
            total.v[c] += float(sums[4 * u + c]);
        }
    }
    return total * splat(scale);
}
inline void toBytes(Four a, uchar* p) {
    for (int c = 0; c < 4; ++c) {
        p[c] = uchar(std::nearbyint(std::clamp(a.v[c], 0.0f, 255.0f)));
    }
}
#endif

// One band of output rows. The input's rows, averaged by the whole factors, are made once each
// as the rows going down need them, into a ring of the last ones; each output row is their
// weighted sum, then filtered across. Every sum runs over four floats at once, and the sums
// across over four pixels at once, so that no sum waits for the one before it.
class Band {
  public:
    Band(const QImage& source, int fx, int fy, const Filter& across, const Filter& down)
        : source_(source),
          fx_(fx),
          fy_(fy),
          across_(across),
          down_(down),
          width_(int(across.first.size())),
          shrunkWidth_((source.width() + fx - 1) / fx),
          // Each row ends in as many zeros as the filter across has taps, so that every output
          // pixel can read all of them.
          rowFloats_((std::size_t(shrunkWidth_) + std::size_t(across.taps)) * 4),
          ring_(std::size_t(down.taps) * rowFloats_),
          column_(rowFloats_),
          sums_(fx > 1 || fy > 1 ? std::size_t(source.width()) * 4 : 0),
          rows_(std::size_t(down.taps)) {}

    void render(uchar* bits, qsizetype bytesPerLine, int first, int last) {
        int next = 0;  // the next averaged row to make
        for (int y = first; y < last; ++y) {
            const int from = down_.first[std::size_t(y)];
            const int count = down_.count[std::size_t(y)];
            next = y == first ? from : std::max(next, from);
            for (; next < from + count; ++next) {
                makeRow(next, slot(next));
            }
            sumDown(&down_.weights[std::size_t(y) * std::size_t(down_.taps)], from, count);
            filterAcross(bits + qsizetype(y) * bytesPerLine);
        }
    }

  private:
    float* slot(int row) { return &ring_[std::size_t(row % down_.taps) * rowFloats_]; }

    // The averaged row `row` into `dst`.
    void makeRow(int row, float* dst) {
        const int sw = source_.width();
        const int top = row * fy_;
        const int rows = std::min(fy_, source_.height() - top);
        if (fx_ == 1 && rows == 1) {
            const uchar* src = source_.constScanLine(top);
            for (int x = 0; x < sw; ++x) {
                store(dst + std::size_t(x) * 4, fromBytes(src + std::size_t(x) * 4));
            }
            return;
        }
        std::fill(sums_.begin(), sums_.end(), 0u);
        for (int r = 0; r < rows; ++r) {
            addBytes(sums_.data(), source_.constScanLine(top + r), sums_.size());
        }
        for (int x = 0; x < shrunkWidth_; ++x) {
            const int left = x * fx_;
            const int columns = std::min(fx_, sw - left);
            store(dst + std::size_t(x) * 4, sumPixels(&sums_[std::size_t(left) * 4], columns,
                                                      float(1.0 / (double(columns) * rows))));
        }
    }

    // column_ = the weighted sum of the `count` averaged rows from `from`.
    void sumDown(const float* w, int from, int count) {
        for (int t = 0; t < count; ++t) {
            rows_[std::size_t(t)] = slot(from + t);
        }
        const std::size_t n = std::size_t(shrunkWidth_) * 4;
        std::size_t i = 0;
        for (; i + 16 <= n; i += 16) {
            Four a = zero(), b = zero(), c = zero(), d = zero();
            for (int t = 0; t < count; ++t) {
                const float* row = rows_[std::size_t(t)] + i;
                const Four wt = splat(w[t]);
                a = a + wt * load(row);
                b = b + wt * load(row + 4);
                c = c + wt * load(row + 8);
                d = d + wt * load(row + 12);
            }
            store(&column_[i], a);
            store(&column_[i + 4], b);
            store(&column_[i + 8], c);
            store(&column_[i + 12], d);
        }
        for (; i < n; i += 4) {
            Four a = zero();
            for (int t = 0; t < count; ++t) {
                a = a + splat(w[t]) * load(rows_[std::size_t(t)] + i);
            }
            store(&column_[i], a);
        }
    }

    // The output row from column_, written as 32-bit RGB.
    void filterAcross(uchar* dst) {
        const std::size_t taps = std::size_t(across_.taps);
        const auto in = [this](int x) {
            return &column_[std::size_t(across_.first[std::size_t(x)]) * 4];
        };
        int x = 0;
        for (; x + 4 <= width_; x += 4) {
            Four a = zero(), b = zero(), c = zero(), d = zero();
            const float* w = &across_.weights[std::size_t(x) * taps];
            const float *p = in(x), *q = in(x + 1), *r = in(x + 2), *s = in(x + 3);
            for (std::size_t t = 0; t < taps; ++t) {
                a = a + splat(w[t]) * load(p + 4 * t);
                b = b + splat(w[taps + t]) * load(q + 4 * t);
                c = c + splat(w[2 * taps + t]) * load(r + 4 * t);
                d = d + splat(w[3 * taps + t]) * load(s + 4 * t);
            }
            toBytes(a, dst + std::size_t(x) * 4);
            toBytes(b, dst + std::size_t(x) * 4 + 4);
            toBytes(c, dst + std::size_t(x) * 4 + 8);
            toBytes(d, dst + std::size_t(x) * 4 + 12);
        }
        for (; x < width_; ++x) {
            Four a = zero();
            const float* w = &across_.weights[std::size_t(x) * taps];
            for (std::size_t t = 0; t < taps; ++t) {
                a = a + splat(w[t]) * load(in(x) + 4 * t);
            }
            toBytes(a, dst + std::size_t(x) * 4);
        }
        for (int i = 0; i < width_; ++i) {
            dst[std::size_t(i) * 4 + 3] = 0xff;
        }
    }

    const QImage& source_;
    const int fx_, fy_;
    const Filter& across_;
    const Filter& down_;
    const int width_, shrunkWidth_;
    const std::size_t rowFloats_;
    std::vector<float> ring_;
    std::vector<float> column_;
    std::vector<std::uint32_t> sums_;
    std::vector<const float*> rows_;  // the rows an output row sums, from the ring
};

}  // namespace

QImage Reduced(const QImage& source, QSize size, Reduction reduction) {
    if (size.isEmpty() || source.isNull()) {
        return {};
    }
    if (reduction == Reduction::Area) {
        return source.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    const QImage src = source.format() == QImage::Format_RGB32
                           ? source
                           : source.convertToFormat(QImage::Format_RGB32);
    if (src.size() == size || src.isNull()) {
        return src;
    }
    const int sw = src.width(), sh = src.height();
    const int tw = size.width(), th = size.height();
    // Averaging is exact where whole blocks fall on one pixel and costs one addition a pixel;
    // the kernel needs at least two input pixels per output pixel left to act on.
    const int fx = std::max(1, sw / (2 * tw));
    const int fy = std::max(1, sh / (2 * th));
    const Kernel shape = kernelOf(reduction);
    const Filter across = makeFilter(sw, fx, (sw + fx - 1) / fx, tw, shape);
    const Filter down = makeFilter(sh, fy, (sh + fy - 1) / fy, th, shape);
    QImage out(size, QImage::Format_RGB32);
    if (out.isNull()) {
        return out;
    }
    uchar* bits = out.bits();
    const qsizetype bpl = out.bytesPerLine();
    std::atomic<bool> failed = false;
    ForEachBand(th, std::int64_t(sw) * sh, [&](int first, int last) {
        try {
            Band band(src, fx, fy, across, down);
            band.render(bits, bpl, first, last);
        } catch (const std::bad_alloc&) {
            failed = true;  // a band's few rows: the result is given up, not half made
        }
    });
    return failed ? QImage() : out;
}

}  // namespace lanxi
