#pragma once
// The fuzz targets: one entry function per loader, each driving the real code path on arbitrary bytes.
// libFuzzer calls them from fuzz_entry.cpp; the ordinary suite replays the kept hostile files through
// the same functions (hostile_files_test.cpp). A broken property throws TFuzzFinding; anything else
// that escapes is a finding too.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace velmora::fuzz {

class TFuzzFinding : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

inline void Check(bool condition, const std::string& what) {
    if (!condition) throw TFuzzFinding(what);
}

// A file of this process's own scratch directory holding exactly the bytes given.
std::string ScratchFile(const std::string& name, const uint8_t* data, size_t size);

void FuzzIni(const uint8_t* data, size_t size);
void FuzzSignList(const uint8_t* data, size_t size);
void FuzzHotspots(const uint8_t* data, size_t size);   // needs a QApplication
void FuzzRtf(const uint8_t* data, size_t size);        // needs a QApplication
void FuzzPicture(const uint8_t* data, size_t size);
void FuzzPlacement(const uint8_t* data, size_t size);  // needs a QApplication

}  // namespace velmora::fuzz
