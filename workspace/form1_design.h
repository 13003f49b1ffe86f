#pragma once

#include <span>

#include "picture/controls.h"

namespace lanxi {

// The workspace window's controls as designed, in the order they are made.
std::span<const ControlDesign> Form1Design();

}  // namespace lanxi
