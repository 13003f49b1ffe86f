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

}  // namespace lanxi
