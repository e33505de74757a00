#pragma once
// Records the largest single request that reached operator new since the last Reset,
// so a test can tell that a damaged file did not make the reader allocate what its
// size fields announce. The executable that links AllocationProbe.cpp replaces the
// global operator new and delete.
#include <cstddef>

namespace allocprobe {

void Reset();
std::size_t LargestRequest();

}  // namespace allocprobe
