// Saving the result with its JPEG copy.
#include "workspace/form1.h"

namespace lanxi {

void Form1::Command3_Click() {}

}  // namespace lanxi
