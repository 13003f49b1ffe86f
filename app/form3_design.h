#pragma once

#include <span>

#include "forms/controls.h"

namespace lanxi {

// The start screen's controls as designed, in the order they are made.
std::span<const ControlDesign> Form3Design();

}  // namespace lanxi
