// The outputs a build has: every name accepted at the choice can be made at the start,
// so that a name the build lacks (sdl, without SDL2) is refused when it is chosen.
#include "output/OutputFactory.h"

#include <gtest/gtest.h>

namespace {

using pelgra::audio::isOutputName;
using pelgra::audio::makeOutput;

TEST(OutputFactoryTest, ANameIsAcceptedExactlyWhenItsOutputCanBeMade) {
    pelgra::audio::ManualRenderGate gate;
    for (const char* name : {"sdl", "null", "manual", "", "SDL", "nul", "alsa"}) {
        EXPECT_EQ(isOutputName(name), makeOutput(name, 48000, gate) != nullptr) << name;
    }
    EXPECT_TRUE(isOutputName("null"));
    EXPECT_TRUE(isOutputName("manual"));
}

} // namespace
