#pragma once

#include <QImage>
#include <QRect>

namespace lanxi {

// Finding the blank margins around a picture: a scanner's white bed around an identity card,
// black, or any flat colour.
//
// Each side is looked at on its own, from its edge inwards. Its edge line must be one flat
// colour, which the margin is then made of (the median of the line, so dust on it does not count).
// A line belongs to the margin while
// - no more than a few of its pixels (kSpeckPixels, or one in kSpeckShare of the line) lie
//   further than kPixelTolerance from that colour in any channel: JPEG's noise stays within it,
//   specks of dust are too few to count, the edge of a card is not;
// - the average of its other pixels lies within kAverageTolerance of that colour: a pale card on
//   a white bed, whose every pixel is near white, still ends the margin.
// A margin must be at least kMinMargin lines thick (thinner is the edge's own softness), and
// flat: the average colour of its inner quarter lies within kDriftTolerance of its outer
// quarter's. A side whose colour changes steadily inwards, a gradient or a sky, keeps its edge,
// however gently it changes. A shadow along a card's edge stops the margin where it darkens.
inline constexpr int kPixelTolerance = 32;
inline constexpr int kSpeckPixels = 4;
inline constexpr int kSpeckShare = 200;
inline constexpr double kAverageTolerance = 8.0;
inline constexpr double kDriftTolerance = 2.0;
inline constexpr int kMinMargin = 2;

// The part of the picture inside its blank margins: the whole picture when no side has one, an
// empty rectangle when the whole picture is one flat colour (nothing would be left).
QRect ContentRect(const QImage& image);

}  // namespace lanxi
