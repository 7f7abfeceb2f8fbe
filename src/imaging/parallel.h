#pragma once
// Row-parallel loops for the pixel kernels.
#include <functional>

namespace mw {

// Number of worker threads the kernels use (the machine's cores, at least 1).
int workerCount();
// Overrides workerCount() (0 restores the default); benchmarks and tests use it.
void setWorkerCount(int n);

// Calls body(begin, end) on disjoint, contiguous slices covering [begin, end), one slice per
// worker, and returns when all are done. Small ranges (fewer than minPerSlice items per worker)
// run on the calling thread. Exceptions from a slice are rethrown on the caller.
void parallelFor(int begin, int end, const std::function<void(int, int)>& body, int minPerSlice = 16);

} // namespace mw
