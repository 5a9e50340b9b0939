#pragma once

#include <sys/resource.h>

#include <cstdint>

// Helpers shared by the benchmark programs.
namespace BenchSupport {

// The process's peak resident set so far, in bytes.
inline std::int64_t peakRssBytes()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return std::int64_t(usage.ru_maxrss) * 1024;
}

} // namespace BenchSupport
