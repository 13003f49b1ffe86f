#include "document/drawn_image.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

#include "base/errors.h"

namespace lanxi {
namespace {

bool integral(double v) {
    return v == std::floor(v);
}

// A rectangle with finite corners and some area; anything else paints nothing.
bool drawable(const QRectF& r) {
    return std::isfinite(r.x()) && std::isfinite(r.y()) && std::isfinite(r.width()) &&
           std::isfinite(r.height()) && r.width() > 0 && r.height() > 0;
}

// The whole pixels a rectangle touches. An edge that scaling left a rounding error away from a
// whole pixel (2880 rows at 394/2880 make 394.00000000000006) lies on that pixel: taken as a
// fraction, it would add a row that stretches a whole reduction by one pixel.
QRect touched(const QRectF& r) {
    const auto snap = [](double v) {
        const double whole = std::round(v);
        return std::abs(v - whole) < 1e-6 ? whole : v;
    };
    return QRectF(QPointF(snap(r.left()), snap(r.top())),
                  QPointF(snap(r.right()), snap(r.bottom())))
        .toAlignedRect();
}

}  // namespace

void DrawnImage::setPicture(const StdPicture& picture) {
    picture_ = picture;
    paintings_.clear();
}

void DrawnImage::resize(QSize size) {
    size_ = size.expandedTo(QSize(0, 0));
    const QRect area(QPoint(0, 0), size_);
    for (Painting& p : paintings_) {
        p.clip &= area;
    }
}

void DrawnImage::paint(const StdPicture& picture, const QRectF& destination, const QRectF& source) {
    if (picture.isEmpty() || !drawable(destination) || !drawable(source)) {
        return;
    }
    add(Painting{picture, destination, source, QRect(QPoint(0, 0), size_)});
}

void DrawnImage::add(Painting painting) {
    // What the new painting covers for certain: its destination where the source lies within
    // the picture (a fill covers its clip). Earlier paintings wholly under it can no longer be
    // seen.
    QRect covered;
    if (painting.picture.isEmpty()) {
        covered = painting.clip;
    } else if (const QRectF within = painting.source & QRectF(0, 0, painting.picture.width(),
                                                              painting.picture.height());
               within == painting.source) {
        const QRectF d = painting.destination;
        covered = QRect(QPoint(int(std::ceil(d.left())), int(std::ceil(d.top()))),
                        QPoint(int(std::floor(d.right())) - 1, int(std::floor(d.bottom())) - 1)) &
                  painting.clip;
    }
    if (!covered.isEmpty()) {
        std::erase_if(paintings_, [&](const Painting& old) {
            const QRect seen =
                (old.picture.isEmpty() ? old.clip : old.destination.toAlignedRect() & old.clip);
            return seen.isEmpty() || covered.contains(seen);
        });
    }
    paintings_.push_back(std::move(painting));
}

DrawnImage DrawnImage::scaled(QSize size) const {
    DrawnImage out;
    out.picture_ = picture_;
    out.background_ = background_;
    out.size_ = size.expandedTo(QSize(0, 0));
    const QRect all(QPoint(0, 0), out.size_);
    if (size_.isEmpty() || all.isEmpty()) {
        return out;
    }
    // Each edge is multiplied by the new size before it is divided by the old, so that an edge
    // of the old image lands exactly on the edge of the new one.
    const double oldW = size_.width(), oldH = size_.height();
    const double newW = out.size_.width(), newH = out.size_.height();
    const auto stretch = [=](const QRectF& r) {
        const double left = r.left() * newW / oldW, top = r.top() * newH / oldH;
        return QRectF(QPointF(left, top),
                      QPointF(r.right() * newW / oldW, r.bottom() * newH / oldH));
    };
    const auto stretchClip = [&](const QRect& r) { return touched(stretch(QRectF(r))) & all; };
    // A frame shows its assigned picture one to one at its top-left, which must not show through
    // the stretched image: the background and the stretched picture go over it first.
    out.add(Painting{StdPicture(), QRectF(all), QRectF(), all});
    if (!picture_.isEmpty()) {
        const QRectF whole(0, 0, picture_.width(), picture_.height());
        out.add(Painting{picture_, stretch(whole), whole, stretchClip(QRect(QPoint(0, 0), size_))});
    }
    for (const Painting& p : paintings_) {
        out.add(Painting{p.picture, stretch(p.destination), p.source, stretchClip(p.clip)});
    }
    return out;
}

// Where a painting lands: the part of its source that lies within its picture, the rectangle
// that part covers on the image, and the scale between them. Empty when nothing of the picture
// is painted.
struct DrawnImage::Placement {
    QRectF source;
    QRectF target;
    double kx = 1, ky = 1;

    bool isEmpty() const { return source.isEmpty(); }
    // One picture pixel on one image pixel, at whole positions: a plain copy.
    bool exact() const {
        return kx == 1 && ky == 1 && integral(target.x()) && integral(target.y()) &&
               integral(source.x()) && integral(source.y()) && integral(source.width()) &&
               integral(source.height());
    }
    // Some side shrinks: what is kept must average every source pixel into the result.
    bool shrinks() const { return kx < 1 || ky < 1; }
};

DrawnImage::Placement DrawnImage::place(const Painting& p) {
    Placement at;
    at.source = p.source & QRectF(0, 0, p.picture.width(), p.picture.height());
    if (at.source.isEmpty()) {
        return at;
    }
    at.kx = p.destination.width() / p.source.width();
    at.ky = p.destination.height() / p.source.height();
    at.target = QRectF(p.destination.x() + (at.source.x() - p.source.x()) * at.kx,
                       p.destination.y() + (at.source.y() - p.source.y()) * at.ky,
                       at.source.width() * at.kx, at.source.height() * at.ky);
    return at;
}

namespace {

// One side of a reduction cut down to a part of it: whole target pixels [target, target + span)
// averaged from whole source pixels [source, source + sourceSpan).
struct Cut {
    int target, span;
    int source, sourceSpan;
};

// Along one side of a painting whose whole pixels [t0, t0 + tw) are averaged from the whole
// source pixels [s0, s0 + sw), the target pixels that cover [from, to) and the source pixels
// they are averaged from. Target pixel i is averaged from the source from
// s0 + (i - t0) * sw / tw on; the cut's ends are moved outwards (by a few pixels, at most
// kSearch) to where that falls nearest a whole source pixel, so that the part's pixels are the
// whole's, not a fraction of a pixel off.
Cut cutSide(int t0, int tw, int s0, int sw, int from, int to) {
    // Room for a reduction that looks beyond the pixels it averages, and how far an end may move.
    constexpr int kMargin = 4;
    constexpr int kSearch = 256;
    const auto sourceAt = [&](int i) { return s0 + double(i - t0) * sw / tw; };
    const auto best = [&](int first, int last, int step) {
        int found = first;
        double nearest = 1;
        for (int i = first; step > 0 ? i <= last : i >= last; i += step) {
            const double s = sourceAt(i);
            const double off = std::abs(s - std::round(s));
            if (off < nearest - 1e-9) {
                nearest = off;
                found = i;
                if (off < 1e-6) {
                    break;
                }
            }
        }
        return found;
    };
    const int lowest = std::max(t0, from - kMargin);
    const int highest = std::min(t0 + tw, to + kMargin);
    const int lo = lowest == t0 ? t0 : best(lowest, std::max(t0, lowest - kSearch), -1);
    const int hi =
        highest == t0 + tw ? t0 + tw : best(highest, std::min(t0 + tw, highest + kSearch), 1);
    const int first = int(std::lround(sourceAt(lo)));
    return {lo, hi - lo, first, std::max(1, int(std::lround(sourceAt(hi))) - first)};
}

}  // namespace

DrawnImage DrawnImage::part(const QRect& area) const {
    DrawnImage out;
    out.background_ = background_;
    out.size_ = area.size().expandedTo(QSize(0, 0));
    const QRect all(QPoint(0, 0), out.size_);
    if (all.isEmpty()) {
        return out;
    }
    const QPoint shift = -area.topLeft();
    // The assigned picture shows one to one at the image's top-left: in the part it is a painting.
    out.add(Painting{StdPicture(), QRectF(all), QRectF(), all});
    if (!picture_.isEmpty()) {
        const QRect whole(QPoint(0, 0), picture_.size());
        out.add(Painting{picture_, QRectF(whole.translated(shift)), QRectF(whole),
                         (whole & QRect(QPoint(0, 0), size_)).translated(shift) & all});
    }
    for (const Painting& p : paintings_) {
        const QRect clip = (p.clip & area).translated(shift);
        if (clip.isEmpty()) {
            continue;
        }
        const Placement at = p.picture.isEmpty() ? Placement{} : place(p);
        const QRect target = touched(at.target);
        const QRect shown = target & p.clip & area;
        if (p.picture.isEmpty() || at.isEmpty() || at.exact() || !at.shrinks() ||
            shown == (target & p.clip)) {
            // Drawn from what it covers alone, or shown whole: as it is.
            out.add(Painting{p.picture, p.destination.translated(shift), p.source, clip});
            continue;
        }
        // The reduction's pixel grid, as Bands averages it.
        const QRect source = at.source.toAlignedRect() & p.picture.image().rect();
        const Cut x = cutSide(target.x(), target.width(), source.x(), source.width(), shown.left(),
                              shown.right() + 1);
        const Cut y = cutSide(target.y(), target.height(), source.y(), source.height(), shown.top(),
                              shown.bottom() + 1);
        out.add(Painting{p.picture,
                         QRectF(x.target + shift.x(), y.target + shift.y(), x.span, y.span),
                         QRectF(x.source, y.source, x.sourceSpan, y.sourceSpan), clip});
    }
    return out;
}

DrawnImage::Bands::Bands(const DrawnImage& image, Reduction reduction)
    : image_(image), averaged_(image.paintings_.size()) {
    // Shrunk paintings are reduced once, here; the bands only place the results.
    const QRect all(QPoint(0, 0), image.size_);
    for (std::size_t i = 0; i < image.paintings_.size(); ++i) {
        const Painting& p = image.paintings_[i];
        if (p.picture.isEmpty()) {
            continue;
        }
        const Placement at = place(p);
        if (at.isEmpty() || at.exact() || !at.shrinks() ||
            (all & p.clip & touched(at.target)).isEmpty()) {
            continue;
        }
        const QRect source = at.source.toAlignedRect() & p.picture.image().rect();
        const QRect target = touched(at.target);
        const QImage& img = p.picture.image();
        const QImage part(img.constScanLine(source.y()) + 4 * std::size_t(source.x()),
                          source.width(), source.height(), img.bytesPerLine(), img.format());
        averaged_[i] = Reduced(part, target.size(), reduction);
        if (averaged_[i].isNull()) {
            throw Error(ErrorCode::OutOfMemory, QStringLiteral("内存不足，无法缩放图片"));
        }
    }
}

void DrawnImage::Bands::render(QImage* band, int first) const {
    QPainter painter(band);
    painter.translate(0, -first);
    image_.render(painter, QRect(0, first, band->width(), band->height()), &averaged_);
}

DrawnImage DrawnImage::Of(const StdPicture& picture) {
    DrawnImage image;
    image.picture_ = picture;
    image.size_ = picture.size().expandedTo(QSize(0, 0));
    return image;
}

std::vector<StdPicture> DrawnImage::pictures() const {
    std::vector<StdPicture> out;
    if (!picture_.isEmpty()) {
        out.push_back(picture_);
    }
    for (const Painting& p : paintings_) {
        if (!p.picture.isEmpty()) {
            out.push_back(p.picture);
        }
    }
    return out;
}

DrawnImage DrawnImage::withPictures(
    const std::function<StdPicture(const StdPicture&)>& swap) const {
    DrawnImage out = *this;
    if (!out.picture_.isEmpty()) {
        out.picture_ = swap(out.picture_);
    }
    for (Painting& p : out.paintings_) {
        if (!p.picture.isEmpty()) {
            p.picture = swap(p.picture);
        }
    }
    return out;
}

namespace {

bool samePixels(const StdPicture& a, const StdPicture& b) {
    if (a.isEmpty() || b.isEmpty()) {
        return a.isEmpty() == b.isEmpty();
    }
    return a == b || (a.image().constBits() == b.image().constBits() && a.size() == b.size() &&
                      a.image().bytesPerLine() == b.image().bytesPerLine());
}

}  // namespace

bool operator==(const DrawnImage& a, const DrawnImage& b) {
    if (a.size_ != b.size_ || a.background_ != b.background_ ||
        !samePixels(a.picture_, b.picture_) || a.paintings_.size() != b.paintings_.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.paintings_.size(); ++i) {
        const DrawnImage::Painting& p = a.paintings_[i];
        const DrawnImage::Painting& q = b.paintings_[i];
        if (!samePixels(p.picture, q.picture) || p.destination != q.destination ||
            p.source != q.source || p.clip != q.clip) {
            return false;
        }
    }
    return true;
}

bool DrawnImage::plain() const {
    return paintings_.empty() && !picture_.isEmpty() && picture_.size() == size_;
}

bool DrawnImage::allGrey() const {
    const auto grey = [](const StdPicture& p) { return p.isEmpty() || p.grey(); };
    if (background_.red() != background_.green() || background_.green() != background_.blue() ||
        !grey(picture_)) {
        return false;
    }
    return std::all_of(paintings_.begin(), paintings_.end(),
                       [&](const Painting& p) { return grey(p.picture); });
}

StdPicture DrawnImage::image(Reduction reduction) const {
    const int w = size_.width();
    const int h = size_.height();
    if (w <= 0 || h <= 0) {
        return {};
    }
    QImage image(w, h, QImage::Format_RGB32);
    if (image.isNull()) {
        throw Error(ErrorCode::OutOfMemory,
                    QStringLiteral("内存不足，无法生成 %1 × %2 像素的图片").arg(w).arg(h));
    }
    const Bands bands(*this, reduction);
    // Each band paints its own rows of the one bitmap.
    uchar* bits = image.bits();
    const qsizetype bpl = image.bytesPerLine();
    ForEachBand(h, std::int64_t(w) * h, [&](int first, int last) {
        QImage band(bits + first * bpl, w, last - first, bpl, QImage::Format_RGB32);
        bands.render(&band, first);
    });
    return StdPicture(std::move(image));
}

void DrawnImage::render(QPainter& painter, const QRect& area,
                        const std::vector<QImage>* averaged) const {
    painter.fillRect(area, background_);
    if (!picture_.isEmpty()) {
        const QRect part = area & QRect(QPoint(0, 0), picture_.size());
        if (!part.isEmpty()) {
            painter.drawImage(part.topLeft(), picture_.image(), part);
        }
    }
    for (std::size_t i = 0; i < paintings_.size(); ++i) {
        const Painting& p = paintings_[i];
        if (p.picture.isEmpty()) {
            painter.fillRect(area & p.clip, background_);
            continue;
        }
        const Placement at = place(p);
        if (at.isEmpty()) {
            continue;
        }
        const QRect clip = area & p.clip & touched(at.target);
        if (clip.isEmpty()) {
            continue;
        }
        painter.save();
        painter.setClipRect(clip);
        if (at.exact()) {
            painter.drawImage(QPoint(int(at.target.x()), int(at.target.y())), p.picture.image(),
                              at.source.toRect());
        } else if (averaged != nullptr && !(*averaged)[i].isNull()) {
            painter.drawImage(touched(at.target).topLeft(), (*averaged)[i]);
        } else {
            // Enlarging, or on screen: start from the averaged reduction nearest above the
            // target scale, then interpolate. What is kept never starts from a reduction.
            int level = 0;
            double k = std::min(at.kx, at.ky);
            while (averaged == nullptr && k <= 0.5 && level < 24) {
                k *= 2;
                ++level;
            }
            const QImage img = p.picture.reduced(level);
            const double fx = double(p.picture.width()) / img.width();
            const double fy = double(p.picture.height()) / img.height();
            const QRectF& s = at.source;
            painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
            painter.drawImage(at.target, img,
                              QRectF(s.x() / fx, s.y() / fy, s.width() / fx, s.height() / fy));
        }
        painter.restore();
    }
}

}  // namespace lanxi
