#include "workspace/drag.h"

#include <algorithm>
#include <cmath>

#include "base/numbers.h"

namespace lanxi {

float CropSide(float corner, float pointer, float edge) {
    const float side = std::fabs(pointer - corner);
    return corner < edge ? std::min(side, edge - corner) : side;
}

std::int32_t PannedPosition(float position, std::int32_t grab, float pointer) {
    const std::int32_t moved = CLng(double(pointer) - double(grab));
    return CLng(double(CLng(double(position))) + double(moved) * kTwipsPerPixel);
}

QRect StartingCrop(QSize bounds) {
    const int width = std::max(1, bounds.width() / 2);
    const int height = std::max(1, bounds.height() / 2);
    return QRect((bounds.width() - width) / 2, (bounds.height() - height) / 2, width, height);
}

QRect KeyedCrop(QRect crop, QSize bounds, int dx, int dy, bool resize) {
    // One axis: the side within the picture, then the corner where the side fits.
    const auto keep = [](int& start, int& side, int limit) {
        side = std::clamp(side, 1, std::max(1, limit));
        start = std::clamp(start, 0, std::max(0, limit - side));
    };
    int left = crop.x(), top = crop.y(), width = crop.width(), height = crop.height();
    keep(left, width, bounds.width());
    keep(top, height, bounds.height());
    if (resize) {
        width = std::clamp(width + dx, 1, std::max(1, bounds.width() - left));
        height = std::clamp(height + dy, 1, std::max(1, bounds.height() - top));
    } else {
        left = std::clamp(left + dx, 0, std::max(0, bounds.width() - width));
        top = std::clamp(top + dy, 0, std::max(0, bounds.height() - height));
    }
    return QRect(left, top, width, height);
}

}  // namespace lanxi
