#pragma once
// Work spread over every core: ParallelFor runs work(0) .. work(count - 1) on a pool of threads that
// take the next index as they finish the last, so long and short jobs even out. Each index runs
// exactly once; work must not throw and must keep its results per index, so that what the caller
// reads afterwards does not depend on which thread ran what.
#include <algorithm>
#include <atomic>
#include <cstddef>
#include <thread>
#include <vector>

#include "core/thread_placement.h"

namespace velmora {

// The threads ParallelFor uses when asked for 0: one per core this process may run on.
inline unsigned WorkerThreadCount() {
#ifdef __linux__
    TCoreSet cores;
    if (AllowedCores(cores)) return static_cast<unsigned>(std::max(1, CPU_COUNT(&cores)));
#endif
    return std::max(1u, std::thread::hardware_concurrency());
}

template <class Work>
void ParallelFor(size_t count, unsigned threads, Work&& work) {
    if (threads == 0) threads = WorkerThreadCount();
    threads = static_cast<unsigned>(std::min<size_t>(threads, count));
    std::atomic<size_t> next{0};
    const auto run = [&] {
        for (size_t i = next.fetch_add(1, std::memory_order_relaxed); i < count;
             i = next.fetch_add(1, std::memory_order_relaxed))
            work(i);
    };
    // The workers go to the other cores at once; left to the scheduler, they would wait on this one.
    TCoreSet others;
    const bool place = threads > 1 && OtherCores(others);
    std::vector<std::thread> pool;
    for (unsigned t = 1; t < threads; ++t) {
        try {
            pool.emplace_back(run);
        } catch (...) {
            break;  // no more threads to be had: the ones running and this one share the rest
        }
        if (place) PlaceThread(pool.back(), others);
    }
    run();
    for (std::thread& thread : pool) thread.join();
}

}  // namespace velmora
