#pragma once

#include <cstdint>

#include "document/picture.h"

namespace lanxi {

// Cuts a rectangle out of a source picture, one pixel per pixel. A rectangle that is empty or
// does not lie within the source, or a missing source, is refused when the cut is read. The
// rectangle is held in 32 bits: every value a picture's size allows can be set, so a cut never
// runs with a value left from an earlier one.
class PictureClip {
  public:
    void setPicture(const StdPicture& source) { source_ = source; }
    const StdPicture& Picture() const { return source_; }
    void setClipX(std::int32_t x) { x_ = x; }
    void setClipY(std::int32_t y) { y_ = y; }
    void setClipWidth(std::int32_t w) { w_ = w; }
    void setClipHeight(std::int32_t h) { h_ = h; }

    // The clipped picture; throws lanxi::Error when the rectangle is refused.
    StdPicture Clip() const;

  private:
    StdPicture source_;
    std::int32_t x_ = 0, y_ = 0, w_ = 0, h_ = 0;
};

}  // namespace lanxi
