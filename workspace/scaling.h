#pragma once

#include <QSize>
#include <QString>

#include <cstdint>
#include "upload/upload_copy.h"

// The arithmetic of the zoom, shrink, fixed-size and reset buttons. Frame sides are twips (15 a
// pixel), kept as 32-bit floats like the frames keep them; the inputs and readouts are pixels.
namespace lanxi {

inline constexpr double kEnlargeFactor = 1.1;
inline constexpr double kShrinkFactor = 0.9;
// Largest fixed size, in pixels, that the inputs accept (either sign).
inline constexpr std::int32_t kMaxFixedPixels = 65'535;

// A fixed-size input: blanks around it are ignored, empty text is 0, a decimal is rounded to
// the nearest whole pixel (a half to the even neighbour: 12.5 gives 12, 13.5 gives 14). The
// result is in twips, computed in 32 bits so that large sizes keep their value. Text that is
// not a number, or a size beyond kMaxFixedPixels, throws lanxi::Error with a short message
// that names the input (`side` is "宽" or "高").
std::int32_t FixedSizeTwips(const QString& text, const QString& side);

// Which sizing a click makes, from the two inputs in twips.
enum class Sizing {
    FixedWidth,   // width given, height follows the base proportions
    FixedHeight,  // height given, width follows the base proportions
    FixedSize,    // both given: stretched to them
    Step,         // neither given: one step of 10 %
    None,         // a negative input: the frame keeps its size
};
Sizing ChooseSizing(std::int32_t widthTwips, std::int32_t heightTwips);

// The side that keeps the base proportions when the other side is `given`:
// given × baseOther ÷ baseGiven, multiplied first. A base of 0 throws (division by zero).
float ProportionalSide(double given, float baseOther, float baseGiven);

// One zoom step of a side.
float Stepped(float side, double factor);

// The shrink step's first part: the height the frame's width has at the base proportions
// (the width taken to whole twips first).
float HeightAtBaseProportions(float width, float baseWidth, float baseHeight);

// The readout of a side in twips: its pixels as a 32-bit float, cut before the point.
QString SizeReadout(float twips);

// What a sizing click starts from, in twips as the frames keep them.
struct SizingState {
    float width = 0, height = 0;              // the result frame
    float baseWidth = 0, baseHeight = 0;      // the proportions fixed sizes and shrinking keep
    float openedWidth = 0, openedHeight = 0;  // the left frame when its picture was opened
    float leftWidth = 0, leftHeight = 0;      // the left frame now
    bool selectionMade = false;               // a crop waits for its first zoom
};

// The two fixed sizes in twips (see FixedSizeTwips); 0 leaves a side free.
struct SizingInputs {
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// The result frame's size and base after a click, in twips.
struct ResultSize {
    float width = 0, height = 0;
    float baseWidth = 0, baseHeight = 0;
    bool selectionMade = false;
    bool operator==(const ResultSize&) const = default;
};

// Each of the following is a sequence of steps, each setting one side of the result frame. A
// step whose arithmetic fails (a base of 0, a float overflow) or whose size the frame refuses
// (see FrameTakesSize) leaves that side as it was, and the next step runs.

// The reset: the result takes the left frame's size, which becomes the base.
ResultSize ResetResultSize(const SizingState& state);
// The zoom and shrink buttons (`step` kEnlargeFactor or kShrinkFactor). The first click after
// a crop resets, then starts from the opened size. A fixed width or height keeps the base
// proportions, both stretch to them; without either the frame takes a step, shrinking first
// going back to the base proportions; a negative input keeps the size.
ResultSize NextResultSize(const SizingState& state, const SizingInputs& inputs, double step);

}  // namespace lanxi
