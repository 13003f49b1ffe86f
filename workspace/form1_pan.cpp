// Dragging the result about inside its pane, and copying between the two frames.
#include "workspace/form1.h"

namespace lanxi {

void Form1::Picture1_MouseDown(int, int, float, float) {}
void Form1::Picture1_MouseMove(int, int, float, float) {}
void Form1::Command10_Click() {}
void Form1::Command4_Click() {}

}  // namespace lanxi
