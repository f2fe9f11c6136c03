#include "raster/picture_fetch.h"

#include <utility>

namespace velmora {

TPictureFetch::~TPictureFetch() {
    {
        std::lock_guard<std::mutex> lock(FMutex);
        FQuit = true;
    }
    FWake.notify_one();
    if (FWorker.joinable()) FWorker.join();
}

void TPictureFetch::Wait() {
    std::unique_lock<std::mutex> lock(FMutex);
    FDone.wait(lock, [this] { return !FPending; });
}

void TPictureFetch::Work() {
    std::unique_lock<std::mutex> lock(FMutex);
    for (;;) {
        FWake.wait(lock, [this] { return FPending || FQuit; });
        if (FPlaced) {
            FPlaced = false;
            AllowCores(FAllowedCores);
        }
        if (!FPending) return;
        lock.unlock();
        Decode();
        lock.lock();
        FPending = false;
        FDone.notify_all();
    }
}

void TPictureFetch::Decode() {
    try {
        FBitmap.LoadPictureFile(FPath);
        FDecoded = !FBitmap.IsEmpty();
    } catch (...) {
        // Not reported here: the caller's own load of the same file reports it.
        FDecoded = false;
    }
}

void TPictureFetch::Start(const std::string& path) {
    Cancel();
    bool placed = false;
    if (!FWorker.joinable()) {
        TCoreSet others;
        placed = AllowedCores(FAllowedCores) && OtherCores(others);
        try {
            FWorker = std::thread([this] { Work(); });
        } catch (...) {
            // No thread to be had: the picture is then simply loaded when it is shown.
            return;
        }
        if (placed) PlaceThread(FWorker, others);
    }
    {
        std::lock_guard<std::mutex> lock(FMutex);
        if (placed) FPlaced = true;
        FPath = path;
        FPending = true;
    }
    FWake.notify_one();
}

void TPictureFetch::Load(const std::string& path) {
    Cancel();
    FPath = path;
    Decode();
}

bool TPictureFetch::TakeInto(const std::string& path, TBitmap32& target) {
    Wait();
    const bool usable = FDecoded && !FPath.empty() && path == FPath;
    FPath.clear();
    FDecoded = false;
    if (!usable) return false;
    target.TakePixelsFrom(FBitmap);
    return true;
}

void TPictureFetch::Cancel() {
    Wait();
    FPath.clear();
    FDecoded = false;
}

}  // namespace velmora
