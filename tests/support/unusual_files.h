#pragma once
// Files that readers of the data directory must refuse at once instead of hanging or filling memory:
// a FIFO (opening it for reading waits for a writer), a link to /dev/zero (it never ends) and a sparse
// file of 2 GiB. TimeTaken measures a refusal; should the reader block in opening a FIFO, a writer comes
// by every second and lets it go on, so that a fault fails the time check rather than hang the test.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>

namespace velmora::testing {

struct TUnusualFile {
    const char* Kind;
    bool (*Make)(const std::string& path);
};

inline bool MakeFifo(const std::string& path) { return ::mkfifo(path.c_str(), 0666) == 0; }

inline bool MakeLinkToDevZero(const std::string& path) { return ::symlink("/dev/zero", path.c_str()) == 0; }

inline bool MakeSparse2GiB(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    const bool made = ::ftruncate(fd, off_t(2) << 30) == 0;
    ::close(fd);
    return made;
}

inline constexpr TUnusualFile UnusualFiles[] = {
    {"fifo", MakeFifo},
    {"link_to_dev_zero", MakeLinkToDevZero},
    {"sparse_2GiB", MakeSparse2GiB},
};

// While alive, opens and closes the write end of a FIFO every second, which ends a reader's wait.
class TFifoReleaser {
public:
    explicit TFifoReleaser(std::string path) : FPath(std::move(path)), FThread([this] { Run(); }) {}
    ~TFifoReleaser() {
        {
            std::lock_guard<std::mutex> lock(FMutex);
            FDone = true;
        }
        FDoneChanged.notify_one();
        FThread.join();
    }
    TFifoReleaser(const TFifoReleaser&) = delete;
    TFifoReleaser& operator=(const TFifoReleaser&) = delete;

private:
    void Run() {
        std::unique_lock<std::mutex> lock(FMutex);
        while (!FDoneChanged.wait_for(lock, std::chrono::seconds(1), [this] { return FDone; })) {
            const int fd = ::open(FPath.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd >= 0) ::close(fd);
        }
    }

    std::string FPath;
    std::mutex FMutex;
    std::condition_variable FDoneChanged;
    bool FDone = false;
    std::thread FThread;
};

// How long action took on path, which may name a FIFO.
template <class Action>
std::chrono::duration<double> TimeTaken(const std::string& path, Action&& action) {
    struct stat st {};
    std::optional<TFifoReleaser> releaser;
    if (::lstat(path.c_str(), &st) == 0 && S_ISFIFO(st.st_mode)) releaser.emplace(path);
    const auto start = std::chrono::steady_clock::now();
    action();
    return std::chrono::steady_clock::now() - start;
}

// A refusal well within a second; the time taken is kept in the test's record (as microseconds).
inline void ExpectPrompt(const std::string& what, std::chrono::duration<double> taken) {
    EXPECT_LT(taken.count(), 1.0) << what;
    ::testing::Test::RecordProperty(what + "_us", static_cast<int>(taken.count() * 1e6));
}

}  // namespace velmora::testing
