#pragma once

#include <QRect>
#include <QSize>
#include <cstdint>

// The arithmetic of the two mouse drags of the workspace: the crop rectangle on the left frame
// and the panning of the result frame inside its pane; and of the crop rectangle moved by keys.
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

// Where the crop rectangle appears when the user first presses an arrow key and none is shown:
// in the middle of the picture (`bounds`, its size in pixels), half its width and half its
// height, so that it can be seen and then moved or sized either way.
QRect StartingCrop(QSize bounds);
// The crop rectangle after an arrow key: moved by (dx, dy) pixels, or with `resize` its right
// and bottom sides moved instead, the top-left corner staying. Either way it stays within the
// picture and at least a pixel wide and high; a rectangle found partly outside (from another
// picture, or a frame shrunk since) is brought inside first.
QRect KeyedCrop(QRect crop, QSize bounds, int dx, int dy, bool resize);

}  // namespace lanxi
