#ifndef PELGRA_TESTS_ENGINE_CALL_TEST_H
#define PELGRA_TESTS_ENGINE_CALL_TEST_H

#include "RecordingAudio.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using Calls = std::vector<std::string>;

// Every case starts with the engine not started and no calls recorded.
class EngineCallTest : public ::testing::Test {
protected:
    void SetUp() override { recording::reset(); }

    // The calls recorded since the last take, which are then forgotten.
    static Calls take() {
        Calls taken;
        taken.swap(recording::calls);
        return taken;
    }
};

#endif
