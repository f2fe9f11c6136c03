// libFuzzer's entry for one target, chosen by VELMORA_FUZZ_TARGET. Widget targets get the program's
// application object under the offscreen platform, with error boxes recorded instead of shown.
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "tests/fuzz/fuzz_targets.h"

#ifdef VELMORA_FUZZ_NEEDS_QT
#include "toolkit/application.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static auto* app = new velmora::TApplication(*argc, *argv);
    app->SetTitle("Velmora - Holvenor");
    app->ErrorBox = [](const QString&, const QString&) {};
    return 0;
}
#endif

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        velmora::fuzz::VELMORA_FUZZ_TARGET(data, size);
    } catch (const velmora::fuzz::TFuzzFinding& e) {
        std::fprintf(stderr, "FINDING: %s\n", e.what());
        std::abort();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "ESCAPED EXCEPTION: %s\n", e.what());
        std::abort();
    }
    return 0;
}
