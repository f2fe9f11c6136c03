#pragma once
// Placing a thread made for parallel work. A new thread tends to start on its maker's core and wait
// there, while the maker keeps that core busy, until the scheduler moves it, which can take longer
// than the work itself. Such threads are therefore sent to another core as soon as they are made.
#include <thread>

#ifdef __linux__
#include <pthread.h>
#include <sched.h>
#endif

namespace velmora {

#ifdef __linux__
using TCoreSet = cpu_set_t;
#else
struct TCoreSet {};
#endif

// The cores this thread may run on apart from the one it runs on now; false when there is none, and
// parallel work would gain nothing.
inline bool OtherCores(TCoreSet& cores) {
#ifdef __linux__
    const int here = sched_getcpu();
    CPU_ZERO(&cores);
    if (here < 0 || sched_getaffinity(0, sizeof cores, &cores) != 0) return false;
    CPU_CLR(here, &cores);
    return CPU_COUNT(&cores) > 0;
#else
    (void)cores;
    return false;
#endif
}

// Moves a thread just made (std::thread or std::jthread) to the given cores (best effort).
template <class Thread>
inline void PlaceThread(Thread& thread, const TCoreSet& cores) {
#ifdef __linux__
    pthread_setaffinity_np(thread.native_handle(), sizeof cores, &cores);
#else
    (void)thread;
    (void)cores;
#endif
}

// Lets the calling thread run on every core it was allowed before, once it has started elsewhere.
inline void AllowCores(const TCoreSet& cores) {
#ifdef __linux__
    pthread_setaffinity_np(pthread_self(), sizeof cores, &cores);
#else
    (void)cores;
#endif
}

// Every core the calling thread may run on.
inline bool AllowedCores(TCoreSet& cores) {
#ifdef __linux__
    CPU_ZERO(&cores);
    return sched_getaffinity(0, sizeof cores, &cores) == 0;
#else
    (void)cores;
    return false;
#endif
}

}  // namespace velmora
