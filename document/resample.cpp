#include "document/resample.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <new>
#include <numbers>
#include <vector>

#include "document/picture.h"

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
// weights[i * taps + t] times input pixel first[i] + t, for t below count[i].
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

// One band of output rows: the input's rows, averaged by the whole factors and filtered across,
// are made once each, as the rows going down need them, into a ring of the last ones.
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
          ring_(std::size_t(down.taps) * std::size_t(width_) * 4),
          shrunk_(std::size_t(shrunkWidth_) * 4),
          sums_(std::size_t(source.width()) * 4),
          out_(std::size_t(width_) * 4) {}

    void render(uchar* bits, qsizetype bytesPerLine, int first, int last) {
        int next = 0;  // the next averaged row to make
        bool started = false;
        for (int y = first; y < last; ++y) {
            const int from = down_.first[std::size_t(y)];
            const int count = down_.count[std::size_t(y)];
            if (!started || next < from) {
                next = from;
                started = true;
            }
            for (; next < from + count; ++next) {
                makeRow(next, slot(next));
            }
            std::fill(out_.begin(), out_.end(), 0.0f);
            const float* w = &down_.weights[std::size_t(y) * std::size_t(down_.taps)];
            for (int t = 0; t < count; ++t) {
                const float* row = slot(from + t);
                const float wt = w[t];
                for (std::size_t i = 0; i < out_.size(); ++i) {
                    out_[i] += wt * row[i];
                }
            }
            uchar* dst = bits + qsizetype(y) * bytesPerLine;
            for (std::size_t i = 0; i < out_.size(); i += 4) {
                for (std::size_t c = 0; c < 3; ++c) {
                    dst[i + c] = uchar(std::clamp(out_[i + c], 0.0f, 255.0f) + 0.5f);
                }
                dst[i + 3] = 0xff;
            }
        }
    }

  private:
    float* slot(int row) { return &ring_[std::size_t(row % down_.taps) * std::size_t(width_) * 4]; }

    // The averaged row `row`, filtered across into `dst`.
    void makeRow(int row, float* dst) {
        const int sw = source_.width();
        const int top = row * fy_;
        const int rows = std::min(fy_, source_.height() - top);
        if (fx_ == 1 && rows == 1) {
            const uchar* src = source_.constScanLine(top);
            for (std::size_t i = 0; i < shrunk_.size(); ++i) {
                shrunk_[i] = src[i];
            }
        } else {
            std::fill(sums_.begin(), sums_.end(), 0u);
            for (int r = 0; r < rows; ++r) {
                const uchar* src = source_.constScanLine(top + r);
                for (std::size_t i = 0; i < sums_.size(); ++i) {
                    sums_[i] += src[i];
                }
            }
            for (int x = 0; x < shrunkWidth_; ++x) {
                const int left = x * fx_;
                const int columns = std::min(fx_, sw - left);
                double total[4] = {};
                for (int u = left; u < left + columns; ++u) {
                    for (std::size_t c = 0; c < 4; ++c) {
                        total[c] += sums_[std::size_t(u) * 4 + c];
                    }
                }
                const double n = double(columns) * rows;
                for (std::size_t c = 0; c < 4; ++c) {
                    shrunk_[std::size_t(x) * 4 + c] = float(total[c] / n);
                }
            }
        }
        for (int x = 0; x < width_; ++x) {
            float sum[4] = {};
            const float* w = &across_.weights[std::size_t(x) * std::size_t(across_.taps)];
            const float* in = &shrunk_[std::size_t(across_.first[std::size_t(x)]) * 4];
            for (int t = 0; t < across_.count[std::size_t(x)]; ++t) {
                for (std::size_t c = 0; c < 4; ++c) {
                    sum[c] += w[t] * in[std::size_t(t) * 4 + c];
                }
            }
            std::copy(sum, sum + 4, dst + std::size_t(x) * 4);
        }
    }

    const QImage& source_;
    const int fx_, fy_;
    const Filter& across_;
    const Filter& down_;
    const int width_, shrunkWidth_;
    std::vector<float> ring_;
    std::vector<float> shrunk_;
    std::vector<std::uint32_t> sums_;
    std::vector<float> out_;
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
