#include "core/scope_exit.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace velmora {
namespace {

TEST(ScopeExit, RunsOnEveryWayOutUnlessDismissed) {
    int runs = 0;
    { TScopeExit guard([&] { ++runs; }); }
    EXPECT_EQ(runs, 1);
    try {
        TScopeExit guard([&] { ++runs; });
        throw std::runtime_error("out");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(runs, 2);
    {
        TScopeExit guard([&] { ++runs; });
        guard.Dismiss();
    }
    EXPECT_EQ(runs, 2);
}

}  // namespace
}  // namespace velmora
