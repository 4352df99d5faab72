#pragma once
// This process's own memory figures, as the kernel counts them.
#include <cstdint>

namespace platform {

// Resident memory of this process in bytes now (0 when it cannot be read).
uint64_t residentBytes();
// The largest resident memory of this process so far, in bytes.
uint64_t peakResidentBytes();
// Buffers of a megabyte and more are mapped on their own and given back to
// the system when freed, instead of staying with the allocator: the working
// images of a training or judgement would otherwise stay resident after it.
// Fixed, so the allocator does not raise the limit after the first large
// frame is freed.
void returnLargeBuffersToSystem();

} // namespace platform
