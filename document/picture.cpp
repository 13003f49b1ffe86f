#include "document/picture.h"

#include <QPainter>
#include <algorithm>
#include <functional>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "base/log.h"

namespace lanxi {

struct StdPicture::Data {
    QImage image;
    std::mutex mutex;
    std::vector<QImage> levels;  // levels[0] is reduction level 1
    int grey = -1;               // unknown, no, yes
    // A part: the picture it was cut from and where; `view` when it shares that picture's
    // pixels, whose memory block `block` then is.
    std::weak_ptr<Data> source;
    QRect rect;
    bool view = false;
    Block block;
};

namespace {

QImage opaque(QImage image) {
    if (image.format() == QImage::Format_RGB32) {
        return image;
    }
    if (!image.hasAlphaChannel()) {
        return image.convertToFormat(QImage::Format_RGB32);
    }
    QImage flat(image.size(), QImage::Format_RGB32);
    if (flat.isNull()) {
        return flat;
    }
    flat.fill(Qt::white);
    QPainter p(&flat);
    p.drawImage(0, 0, image);
    return flat;
}

// Halves rows [y0, y1) of dst from src by averaging 2 x 2 blocks; an odd last row or column
// is averaged alone.
// dst is written through `out`, taken once before the bands start: QImage's own accessors are
// not meant to be called from several threads at once.
void halveRows(const QImage& src, uchar* dstBits, qsizetype dstBytesPerLine, int w, int y0,
               int y1) {
    const int sw = src.width();
    const int sh = src.height();
    for (int y = y0; y < y1; ++y) {
        const auto* r0 = reinterpret_cast<const quint32*>(src.constScanLine(2 * y));
        const auto* r1 =
            reinterpret_cast<const quint32*>(src.constScanLine(std::min(2 * y + 1, sh - 1)));
        auto* out = reinterpret_cast<quint32*>(dstBits + y * dstBytesPerLine);
        const auto average = [](quint32 a, quint32 b, quint32 c, quint32 d) {
            // Sum the red/blue and the green channels in separate lanes, then round.
            const quint32 rb =
                (a & 0xff00ff) + (b & 0xff00ff) + (c & 0xff00ff) + (d & 0xff00ff) + 0x020002;
            const quint32 g = (a & 0xff00) + (b & 0xff00) + (c & 0xff00) + (d & 0xff00) + 0x0200;
            return 0xff000000u | ((rb >> 2) & 0xff00ff) | ((g >> 2) & 0xff00);
        };
        const int pairs = sw / 2;
        for (int x = 0; x < pairs; ++x) {
            out[x] = average(r0[2 * x], r0[2 * x + 1], r1[2 * x], r1[2 * x + 1]);
        }
        if (pairs < w) {
            out[pairs] = average(r0[sw - 1], r0[sw - 1], r1[sw - 1], r1[sw - 1]);
        }
    }
}

// Halves each side by averaging, in bands: the first strong reduction of a photo is made while
// the user waits for a click.
QImage halve(const QImage& src) {
    const int w = std::max(1, (src.width() + 1) / 2);
    const int h = std::max(1, (src.height() + 1) / 2);
    QImage dst(w, h, QImage::Format_RGB32);
    if (dst.isNull()) {
        return dst;
    }
    uchar* bits = dst.bits();
    const qsizetype bpl = dst.bytesPerLine();
    ForEachBand(h, std::int64_t(src.width()) * src.height(),
                [&](int first, int last) { halveRows(src, bits, bpl, w, first, last); });
    return dst;
}

}  // namespace

void ForEachBand(int rows, std::int64_t pixels, const std::function<void(int, int)>& work) {
    // Below this, starting a thread costs more than it saves.
    constexpr std::int64_t kPixelsPerBand = 1 << 19;
    const int cores = int(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
    const int bands = int(
        std::clamp<std::int64_t>(pixels / kPixelsPerBand, 1, std::min(cores, std::max(rows, 1))));
    std::vector<std::thread> helpers;
    for (int band = 1; band < bands; ++band) {
        const int first = int(std::int64_t(rows) * band / bands);
        const int last = int(std::int64_t(rows) * (band + 1) / bands);
        try {
            helpers.emplace_back(work, first, last);
        } catch (const std::system_error& e) {
            qCDebug(lcProgram) << "no thread for a band:" << e.what();
            work(first, last);  // no thread to be had: this one does the band
        }
    }
    work(0, rows / bands);
    for (std::thread& t : helpers) {
        t.join();
    }
}

StdPicture::StdPicture(QImage image) {
    if (image.isNull()) {
        return;
    }
    QImage pixels = opaque(std::move(image));
    if (pixels.isNull()) {
        return;
    }
    d_ = std::make_shared<Data>();
    d_->image = std::move(pixels);
}

const QImage& StdPicture::image() const {
    static const QImage none;
    return d_ ? d_->image : none;
}

StdPicture StdPicture::part(const QRect& rect) const {
    const QImage& whole = image();
    if (rect.isEmpty() || !QRect(QPoint(0, 0), whole.size()).contains(rect)) {
        return {};
    }
    const std::int64_t area = std::int64_t(rect.width()) * rect.height();
    if (4 * area < std::int64_t(whole.width()) * whole.height()) {
        StdPicture copy(whole.copy(rect));
        if (copy.d_) {
            copy.d_->source = d_;
            copy.d_->rect = rect;
        }
        return copy;
    }
    return view(rect);
}

StdPicture StdPicture::view(const QRect& rect) const {
    const QImage& whole = image();
    // The view holds a reference to the pixels (not to the reductions made of them) until the
    // last copy of the view is gone.
    auto* keep = new QImage(whole);
    QImage view(
        whole.constScanLine(rect.y()) + std::size_t(rect.x()) * (whole.depth() / 8), rect.width(),
        rect.height(), whole.bytesPerLine(), whole.format(),
        [](void* info) { delete static_cast<QImage*>(info); }, keep);
    if (view.isNull()) {
        delete keep;
        return {};
    }
    StdPicture out(std::move(view));
    if (out.d_) {
        out.d_->source = d_;
        out.d_->rect = rect;
        out.d_->view = true;
        out.d_->block = block();
    }
    return out;
}

StdPicture StdPicture::asView() const {
    if (!d_ || d_->view) {
        return *this;
    }
    StdPicture source;
    source.d_ = d_->source.lock();
    if (source.isEmpty()) {
        return *this;  // not a part, or its source has gone: its pixels are its own
    }
    const StdPicture out = source.view(d_->rect);
    return out.isEmpty() ? *this : out;
}

StdPicture StdPicture::asPart() const {
    if (!d_ || !d_->view) {
        return *this;
    }
    const std::int64_t area = std::int64_t(width()) * height();
    if (4 * area * (image().depth() / 8) >= std::int64_t(d_->block.bytes)) {
        return *this;
    }
    StdPicture copy(image().copy());
    if (copy.isEmpty()) {
        return *this;  // no memory for the copy: the view shows the same
    }
    copy.d_->source = d_->source;
    copy.d_->rect = d_->rect;
    return copy;
}

StdPicture::Block StdPicture::block() const {
    if (!d_) {
        return {};
    }
    if (d_->view) {
        return d_->block;
    }
    return {d_->image.constBits(), d_->image.sizeInBytes()};
}

bool StdPicture::grey() const {
    if (!d_) {
        return true;
    }
    std::lock_guard lock(d_->mutex);
    if (d_->grey < 0) {
        d_->grey = 1;
        const QImage& image = d_->image;
        for (int y = 0; y < image.height() && d_->grey == 1; ++y) {
            const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                const QRgb p = row[x];
                if (qRed(p) != qGreen(p) || qGreen(p) != qBlue(p)) {
                    d_->grey = 0;
                    break;
                }
            }
        }
    }
    return d_->grey == 1;
}

QImage StdPicture::reduced(int level) const {
    if (!d_ || level <= 0) {
        return image();
    }
    std::lock_guard lock(d_->mutex);
    while (static_cast<int>(d_->levels.size()) < level) {
        const QImage& from = d_->levels.empty() ? d_->image : d_->levels.back();
        if (from.width() == 1 && from.height() == 1) {
            break;
        }
        QImage next = halve(from);
        if (next.isNull()) {
            break;
        }
        d_->levels.push_back(std::move(next));
    }
    if (d_->levels.empty()) {
        return d_->image;
    }
    return d_->levels[std::min<std::size_t>(level, d_->levels.size()) - 1];
}

}  // namespace lanxi
