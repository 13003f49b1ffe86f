#pragma once

#include <cstdint>

namespace lanxi {

// The memory this process may use on this machine: the physical memory (on Linux the smaller of
// that and the limit of the control group the process runs in, as containers set one; on
// Windows the installed memory the system reports).
std::int64_t UsableMemoryBytes();

}  // namespace lanxi
