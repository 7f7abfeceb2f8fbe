#include "imaging/parallel.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <thread>
#include <vector>

namespace mw {

namespace {
std::atomic<int> g_workerOverride{0};
}

int workerCount()
{
    if (int n = g_workerOverride.load())
        return n;
    static const int cores = std::max(1u, std::thread::hardware_concurrency());
    return cores;
}

void setWorkerCount(int n) { g_workerOverride = std::max(0, n); }

void parallelFor(int begin, int end, const std::function<void(int, int)>& body, int minPerSlice)
{
    const int count = end - begin;
    if (count <= 0)
        return;
    const int slices = std::clamp(count / std::max(1, minPerSlice), 1, workerCount());
    if (slices == 1) {
        body(begin, end);
        return;
    }
    std::vector<std::exception_ptr> errors(static_cast<size_t>(slices));
    std::vector<std::thread> threads;
    threads.reserve(size_t(slices - 1));
    auto run = [&](int i) {
        const int b = begin + int(int64_t(count) * i / slices);
        const int e = begin + int(int64_t(count) * (i + 1) / slices);
        try {
            body(b, e);
        } catch (...) {
            errors[size_t(i)] = std::current_exception();
        }
    };
    for (int i = 1; i < slices; ++i)
        threads.emplace_back(run, i);
    run(0);
    for (auto& t : threads)
        t.join();
    for (auto& e : errors)
        if (e)
            std::rethrow_exception(e);
}

} // namespace mw
