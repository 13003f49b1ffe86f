// Zoom steps, fixed-size scaling and the reset of the result frame.
#include "workspace/form1.h"

namespace lanxi {

void Form1::Command1_Click() {}
void Form1::Command2_Click() {}
void Form1::Command8_Click() {}

}  // namespace lanxi
