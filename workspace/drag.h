#pragma once

#include <cstdint>

// The arithmetic of the two mouse drags of the workspace: the crop rectangle on the left frame
// and the panning of the result frame inside its pane.
namespace lanxi {

// One side of the crop rectangle, whose corner stays where the button went down: the distance
// from the corner to the pointer, whichever way the pointer went (a drag to the left or upwards
// gives the mirror image about the corner). When the corner lies before `edge`, the side ends
// at the edge at the latest, so a drag that overshoots the picture still cuts up to its edge.
float CropSide(float corner, float pointer, float edge);

// Where a drag moves the result frame along one axis: its position (twips, taken to a whole
// number) plus the pointer's distance from the grab point (pixels, rounded, a half to the even
// neighbour) at 15 twips a pixel. The frame moves with the pointer, so the grabbed point stays
// under it.
std::int32_t PannedPosition(float position, std::int32_t grab, float pointer);

}  // namespace lanxi
