#pragma once
// TPictureFetch: one picture file decoded ahead of the moment it is shown, either on a worker thread
// (Start), so that two pictures shown together decode on two cores, or earlier on the caller's own
// thread (Load). The worker is made at the first Start, on another core, and then sleeps between
// fetches: a thread made anew each time tends to start on the busy core and run only once its maker
// waits. TakeInto then hands the decoded pixels to the bitmap that shows them, without a copy.
// A fetch that failed, or that fetched another file, hands over nothing: the caller loads the picture
// itself, and that load reports the error as it always would.
//
// Threads: every public operation is the window thread's; the worker runs only Work and Decode.
//   FMutex, FWake, FDone       shared; both condition variables wait on FMutex.
//   FPending, FQuit, FPlaced   shared, read and written only under FMutex.
//   FPath, FBitmap, FDecoded   the worker's while a fetch is pending (from Start setting FPending
//                              under FMutex until the worker clears it under FMutex), the window
//                              thread's otherwise. The window thread takes them back only through
//                              Wait (Cancel, TakeInto, Start, Load), whose lock hands over what the
//                              worker wrote. While a fetch is pending both may read FPath, neither
//                              writes it.
//   FAllowedCores              written by the window thread in the first Start before the worker
//                              exists; read by the worker, under FMutex, once FPlaced is set.
//   FWorker                    the window thread's: made in the first Start, joined by the destructor.
// The ThreadSanitizer run (./test.sh --tsan) covers these hand-overs.
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "core/thread_placement.h"
#include "raster/bitmap32.h"

namespace velmora {

class TPictureFetch {
public:
    TPictureFetch() = default;
    ~TPictureFetch();
    TPictureFetch(const TPictureFetch&) = delete;
    TPictureFetch& operator=(const TPictureFetch&) = delete;

    // Decodes path on a worker thread; a fetch still running is waited for and forgotten first.
    void Start(const std::string& path);
    // Decodes path now, on this thread; failures are kept quiet.
    void Load(const std::string& path);
    // True when path is the file fetched and it decoded: target's pixels are then the picture, as after
    // target.LoadPictureFile(path), with the same change notifications. False leaves target untouched.
    // Either way the fetch is used up.
    bool TakeInto(const std::string& path, TBitmap32& target);
    // Waits for a running decode and forgets the fetch.
    void Cancel();
    // Waits for a running decode and keeps what it gave.
    void Wait();

    // The file fetched (empty when none). Read on the window thread; the worker never writes it.
    const std::string& Path() const { return FPath; }

private:
    void Decode();
    void Work();

    std::string FPath;
    // Reused from fetch to fetch: its memory is the memory of the picture handed over last time.
    TBitmap32 FBitmap;
    bool FDecoded = false;

    std::mutex FMutex;
    std::condition_variable FWake;  // a fetch is pending, or the worker is to end
    std::condition_variable FDone;  // the pending fetch has ended
    bool FPending = false;
    bool FQuit = false;
    std::thread FWorker;
    // The worker starts on another core, then may run on any it was allowed.
    bool FPlaced = false;
    TCoreSet FAllowedCores{};
};

}  // namespace velmora
