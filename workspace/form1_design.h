#pragma once

#include <span>

#include "forms/controls.h"

namespace lanxi {

// The workspace window's controls as designed, in the order they are made.
std::span<const ControlDesign> Form1Design();

// The designed window's client area, in twips, and the strip added below it: a row for the
// site's limits (the preset choice and the readout of the upload copy), and a row of edits
// (undo, redo, trimming the blank margins) and "恢复默认".
inline constexpr int kForm1Width = 16785;
inline constexpr int kForm1Height = 9825;
inline constexpr int kStripRowHeight = 480;
inline constexpr int kStripHeight = 2 * kStripRowHeight + 60;
std::span<const ControlDesign> Form1StripDesign();

}  // namespace lanxi
