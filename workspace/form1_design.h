#pragma once

#include <span>

#include "forms/controls.h"

namespace lanxi {

// The workspace window's controls as designed, in the order they are made.
std::span<const ControlDesign> Form1Design();

// The designed window's client area, in twips, and the strip added below it for the site's
// limits: the preset choice and the readout of the upload copy.
inline constexpr int kForm1Width = 16785;
inline constexpr int kForm1Height = 9825;
inline constexpr int kStripHeight = 480;
std::span<const ControlDesign> Form1StripDesign();

}  // namespace lanxi
