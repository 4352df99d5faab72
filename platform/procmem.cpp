#include "platform/procmem.h"

#include <cstdio>
#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

namespace platform {

uint64_t residentBytes()
{
    // The process's own counters: not a file of the system the program acts
    // on, so no root prefix applies.
    std::FILE* f = std::fopen("/proc/self/statm", "r");
    if (!f)
        return 0;
    unsigned long long size = 0, resident = 0;
    const int n = std::fscanf(f, "%llu %llu", &size, &resident);
    std::fclose(f);
    return n == 2 ? uint64_t(resident) * uint64_t(sysconf(_SC_PAGESIZE)) : 0;
}

void returnLargeBuffersToSystem()
{
    mallopt(M_MMAP_THRESHOLD, 1024 * 1024);
}

uint64_t peakResidentBytes()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return uint64_t(u.ru_maxrss) * 1024; // kilobytes on Linux
}

} // namespace platform
