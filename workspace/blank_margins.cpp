#include "workspace/blank_margins.h"

#include <QRgb>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace lanxi {
namespace {

enum class Side { Top, Bottom, Left, Right };

using Colour = std::array<double, 3>;

// The lines parallel to one side, counted from that side's edge, each over a stretch [first,
// last) of the other direction.
class Lines {
  public:
    Lines(const QImage& image, Side side, int first, int last)
        : image_(image), side_(side), first_(first), last_(last) {}

    int count() const {
        return side_ == Side::Top || side_ == Side::Bottom ? image_.height() : image_.width();
    }
    int length() const { return last_ - first_; }
    // Calls `f(pixel)` for each pixel of line `k`.
    template <class F>
    void each(int k, F&& f) const {
        switch (side_) {
            case Side::Top:
            case Side::Bottom: {
                const int y = side_ == Side::Top ? k : image_.height() - 1 - k;
                const auto* row = reinterpret_cast<const QRgb*>(image_.constScanLine(y));
                for (int x = first_; x < last_; ++x) {
                    f(row[x]);
                }
                break;
            }
            case Side::Left:
            case Side::Right: {
                const int x = side_ == Side::Left ? k : image_.width() - 1 - k;
                for (int y = first_; y < last_; ++y) {
                    f(reinterpret_cast<const QRgb*>(image_.constScanLine(y))[x]);
                }
                break;
            }
        }
    }

  private:
    const QImage& image_;
    Side side_;
    int first_, last_;
};

// The median of each channel over a line: its colour, whatever dust lies on it.
std::array<int, 3> medianColour(const Lines& lines, int k) {
    std::array<std::array<int, 256>, 3> counts{};
    lines.each(k, [&](QRgb p) {
        ++counts[0][qRed(p)];
        ++counts[1][qGreen(p)];
        ++counts[2][qBlue(p)];
    });
    std::array<int, 3> median{};
    for (int c = 0; c < 3; ++c) {
        int seen = 0;
        int v = 0;
        while (v < 255 && 2 * (seen + counts[c][v]) <= lines.length()) {
            seen += counts[c][v++];
        }
        median[c] = v;
    }
    return median;
}

// The thickness of the margin along one side, in lines; every line when the picture is flat.
int marginOf(const Lines& lines) {
    if (lines.length() <= 0) {
        return 0;
    }
    const std::array<int, 3> colour = medianColour(lines, 0);
    const int specks = std::max(kSpeckPixels, lines.length() / kSpeckShare);
    std::vector<Colour> averages;
    for (int k = 0; k < lines.count(); ++k) {
        int off = 0;
        std::array<std::int64_t, 3> sum{};
        lines.each(k, [&](QRgb p) {
            const int r = qRed(p), g = qGreen(p), b = qBlue(p);
            if (std::max({std::abs(r - colour[0]), std::abs(g - colour[1]),
                          std::abs(b - colour[2])}) > kPixelTolerance) {
                ++off;
            } else {
                sum[0] += r;
                sum[1] += g;
                sum[2] += b;
            }
        });
        const int kept = lines.length() - off;
        if (off > specks || kept == 0) {
            break;
        }
        const Colour average{double(sum[0]) / kept, double(sum[1]) / kept, double(sum[2]) / kept};
        bool near = true;
        for (int c = 0; c < 3; ++c) {
            near = near && std::fabs(average[c] - colour[c]) <= kAverageTolerance;
        }
        if (!near) {
            break;
        }
        averages.push_back(average);
    }
    const int margin = int(averages.size());
    if (margin == lines.count()) {
        return margin;
    }
    if (margin < kMinMargin) {
        return 0;
    }
    // Flat, not the gentle start of a gradient: the inner quarter is the outer quarter's colour.
    const int quarter = std::max(1, margin / 4);
    for (int c = 0; c < 3; ++c) {
        double outer = 0, inner = 0;
        for (int i = 0; i < quarter; ++i) {
            outer += averages[std::size_t(i)][c];
            inner += averages[std::size_t(margin - 1 - i)][c];
        }
        if (std::fabs(inner - outer) / quarter > kDriftTolerance) {
            return 0;
        }
    }
    return margin;
}

}  // namespace

QRect ContentRect(const QImage& picture) {
    if (picture.isNull()) {
        return {};
    }
    const QImage image =
        picture.format() == QImage::Format_RGB32 || picture.format() == QImage::Format_ARGB32
            ? picture
            : picture.convertToFormat(QImage::Format_RGB32);
    const int w = image.width();
    const int h = image.height();
    const int top = marginOf(Lines(image, Side::Top, 0, w));
    if (top >= h) {
        return {};  // one flat colour throughout
    }
    const int bottom = marginOf(Lines(image, Side::Bottom, 0, w));
    // The sides are looked at between the top and bottom margins only.
    const int left = marginOf(Lines(image, Side::Left, top, h - bottom));
    const int right = marginOf(Lines(image, Side::Right, top, h - bottom));
    if (left >= w || top + bottom >= h || left + right >= w) {
        return {};
    }
    return QRect(left, top, w - left - right, h - top - bottom);
}

}  // namespace lanxi
