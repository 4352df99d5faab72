#pragma once
// This process's own memory figures, as the kernel counts them.
#include <cstdint>

namespace platform {

// Resident memory of this process in bytes now (0 when it cannot be read).
uint64_t residentBytes();
// The largest resident memory of this process so far, in bytes.
uint64_t peakResidentBytes();

} // namespace platform
