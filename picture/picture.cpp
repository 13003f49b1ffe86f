#include "picture/picture.h"

#include <QPainter>
#include <mutex>
#include <vector>

namespace lanxi {

struct StdPicture::Data {
    QImage image;
    std::mutex mutex;
    std::vector<QImage> levels;  // levels[0] is reduction level 1
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

// Halves each side by averaging 2 x 2 blocks; an odd last row or column is averaged alone.
QImage halve(const QImage& src) {
    const int w = std::max(1, (src.width() + 1) / 2);
    const int h = std::max(1, (src.height() + 1) / 2);
    QImage dst(w, h, QImage::Format_RGB32);
    if (dst.isNull()) {
        return dst;
    }
    const int sw = src.width();
    const int sh = src.height();
    for (int y = 0; y < h; ++y) {
        const int y0 = 2 * y;
        const int y1 = std::min(y0 + 1, sh - 1);
        const auto* r0 = reinterpret_cast<const quint32*>(src.constScanLine(y0));
        const auto* r1 = reinterpret_cast<const quint32*>(src.constScanLine(y1));
        auto* out = reinterpret_cast<quint32*>(dst.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const int x0 = 2 * x;
            const int x1 = std::min(x0 + 1, sw - 1);
            const quint32 a = r0[x0], b = r0[x1], c = r1[x0], d = r1[x1];
            // Sum the red/blue and the green channels in separate lanes, then round.
            const quint32 rb =
                (a & 0xff00ff) + (b & 0xff00ff) + (c & 0xff00ff) + (d & 0xff00ff) + 0x020002;
            const quint32 g = (a & 0xff00) + (b & 0xff00) + (c & 0xff00) + (d & 0xff00) + 0x0200;
            out[x] = 0xff000000u | ((rb >> 2) & 0xff00ff) | ((g >> 2) & 0xff00);
        }
    }
    return dst;
}

}  // namespace

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
