// Every kept hostile file, and every seed of the fuzz corpora, through the fuzz target it belongs to:
// tests/data/hostile/<target>/ and tests/fuzz/corpus/<target>/. Files in a target's pending/ folder
// are findings not yet mended; the disabled test replays them (--gtest_also_run_disabled_tests), and
// a file moves up a folder once its fault is gone.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include "tests/fuzz/fuzz_targets.h"
#include "toolkit/application.h"

namespace fs = std::filesystem;
using namespace velmora::fuzz;

namespace {

struct TTarget {
    const char* Name;
    void (*Entry)(const uint8_t*, size_t);
};

void PrintTo(const TTarget& target, std::ostream* out) { *out << target.Name; }

const TTarget Targets[] = {{"ini", FuzzIni},         {"sign_list", FuzzSignList}, {"hotspots", FuzzHotspots},
                           {"rtf", FuzzRtf},         {"picture", FuzzPicture},    {"placement", FuzzPlacement}};

class HostileFiles : public ::testing::TestWithParam<TTarget> {
protected:
    void SetUp() override {
        velmora::TApplication::Instance()->ErrorBox = [](const QString&, const QString&) {};
    }
};

// Runs every file of the folders through the target; the number of files run.
int Replay(const TTarget& target, const std::vector<fs::path>& dirs) {
    int files = 0;
    for (const fs::path& dir : dirs) {
        if (!fs::is_directory(dir)) continue;
        for (const auto& entry : fs::directory_iterator(dir)) {
            if (!entry.is_regular_file()) continue;
            SCOPED_TRACE(entry.path().string());
            std::ifstream in(entry.path(), std::ios::binary);
            const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
            try {
                target.Entry(bytes.data(), bytes.size());
            } catch (const std::exception& e) {
                ADD_FAILURE() << e.what();
            }
            ++files;
        }
    }
    return files;
}

TEST_P(HostileFiles, RunThroughTheirTargetWithoutAFinding) {
    const TTarget& target = GetParam();
    const int files = Replay(target, {fs::path(VELMORA_HOSTILE_DIR) / target.Name, fs::path(VELMORA_CORPUS_DIR) / target.Name});
    EXPECT_GT(files, 0) << "no seed or hostile file for " << target.Name;
}

TEST_P(HostileFiles, DISABLED_PendingFindings) {
    Replay(GetParam(), {fs::path(VELMORA_HOSTILE_DIR) / GetParam().Name / "pending"});
}

INSTANTIATE_TEST_SUITE_P(Targets, HostileFiles, ::testing::ValuesIn(Targets),
                         [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
