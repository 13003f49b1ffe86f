#pragma once

#include <QString>
#include <cstdint>

// The number rules shared by every window: whole-number conversion, reading numbers typed by
// the user, and the text shown for a size.
namespace lanxi {

// Booleans of the window state are 16-bit: True is -1, False is 0.
using Boolean = std::int16_t;
inline constexpr Boolean kTrue = -1;
inline constexpr Boolean kFalse = 0;

inline constexpr int kTwipsPerPixel = 15;

// Nearest whole number, a half going to the even neighbour; Overflow outside 32 bits.
std::int32_t CLng(double value);

// A number typed by the user: blanks around it are ignored, a sign, digits, one decimal point
// and an exponent are accepted (full-width digits too). Anything else, including empty text,
// is a TypeMismatch.
double CDbl(const QString& text);
// A double stored into a 32-bit float; Overflow beyond its range.
float CSng(double value);

// Division as the arithmetic of the window code does it: x / 0 is DivisionByZero, 0 / 0 an
// Overflow.
double Divide(double numerator, double denominator);

// Text of a number, up to seven significant digits for a 32-bit float, as the readouts use.
QString NumberText(float value);
QString NumberText(double value);
// A size shown to the user: the number's text cut before its first "." (466.6667 shows "466").
QString Readout(float value);
// The whole number the readout shows, as a value (used to size what is shown on screen so that
// it matches the readout).
std::int64_t ReadoutValue(float value);

// The most pixels a side of a picture frame can have: what a widget can have.
inline constexpr std::int64_t kMaxFramePixels = (1 << 24) - 1;
// Whether a frame whose container measures in `unitsPerPixel` takes `size` as its Width or
// Height: a finite size, not negative, of no more than kMaxFramePixels.
bool FrameTakesSize(float size, int unitsPerPixel);

// Leading and trailing blanks removed (only the blank character, like the classic Trim).
QString Trim(const QString& text);

}  // namespace lanxi
