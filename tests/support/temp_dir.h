#pragma once
// A fresh directory under the system's temporary directory, removed with everything in it at the end
// of a test.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace velmora::testing {

class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "velmora_XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        FPath = pattern;
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::permissions(FPath, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(FPath, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The directory with a trailing "/".
    std::string Dir() const { return FPath.string() + "/"; }
    std::string File(const std::string& name) const { return (FPath / name).string(); }

    static void Write(const std::string& path, const std::string& bytes) {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << bytes;
    }
    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    // Names of the entries in the directory, to find stray temporary files.
    int EntryCount() const {
        int n = 0;
        for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(FPath)) ++n;
        return n;
    }

private:
    std::filesystem::path FPath;
};

}  // namespace velmora::testing
