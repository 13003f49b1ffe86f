#pragma once

#include <span>

#include "forms/controls.h"

namespace lanxi {

// The batch window's controls as designed, in the order they are made.
std::span<const ControlDesign> Form2Design();

// The designed window's client area, in twips, and the strip added below it: the site's limits
// the run fits every file to.
inline constexpr int kForm2Width = 7560;
inline constexpr int kForm2Height = 6090;
inline constexpr int kForm2StripHeight = 840;
std::span<const ControlDesign> Form2StripDesign();

}  // namespace lanxi
