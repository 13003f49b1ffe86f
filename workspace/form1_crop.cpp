// Cropping: a rectangle dragged on the left frame is cut into the right frame.
#include "workspace/form1.h"

namespace lanxi {

void Form1::Picture2_MouseDown(int, int, float, float) {}
void Form1::Picture2_MouseMove(int, int, float, float) {}
void Form1::Picture2_MouseUp(int, int, float, float) {}

}  // namespace lanxi
