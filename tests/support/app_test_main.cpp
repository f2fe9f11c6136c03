// Test main for the catalogue's windows: one application object for the whole run, with the
// program's title (error boxes carry it), offscreen unless told otherwise.
#include <gtest/gtest.h>

#include "toolkit/application.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    velmora::TApplication app(argc, argv);
    app.SetTitle("Velmora - Holvenor");
    return RUN_ALL_TESTS();
}
