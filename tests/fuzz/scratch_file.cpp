#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "tests/fuzz/fuzz_targets.h"

namespace velmora::fuzz {

namespace {

// One directory per process, so that parallel fuzzers and the suite never share a file; removed at exit.
struct TScratchDir {
    std::filesystem::path Path;
    TScratchDir() : Path(std::filesystem::temp_directory_path() / ("velmora_fuzz_" + std::to_string(::getpid()))) {
        std::filesystem::create_directories(Path);
    }
    ~TScratchDir() {
        std::error_code ec;
        std::filesystem::remove_all(Path, ec);
    }
};

}  // namespace

std::string ScratchFile(const std::string& name, const uint8_t* data, size_t size) {
    static const TScratchDir dir;
    const std::string path = (dir.Path / name).string();
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    return path;
}

}  // namespace velmora::fuzz
