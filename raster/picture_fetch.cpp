#include "raster/picture_fetch.h"

#include <utility>

namespace velmora {

TPictureFetch::~TPictureFetch() { Wait(); }

void TPictureFetch::Wait() {
    if (FWorker.joinable()) FWorker.join();
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
    FPath = path;
    try {
        FWorker = std::thread([this] { Decode(); });
    } catch (...) {
        // No thread to be had: the picture is then simply loaded when it is shown.
        FPath.clear();
    }
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
