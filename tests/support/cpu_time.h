#pragma once

#include <cstdint>

// The processor time this process has used, in milliseconds. Limits that tests put on how long
// a refusal takes are measured with it, not with the wall clock: other programs on a busy
// machine, or a sanitizer's slower code, do not make it flake, while a decoder that really
// does a picture's work still shows.
namespace lanxi::test {

std::int64_t CpuMilliseconds();

}  // namespace lanxi::test
