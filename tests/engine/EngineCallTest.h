// The fixture of the engine's call-sequence tests, over the recording stand-in of the
// audio library (tests/support/RecordingAudio.h).
#ifndef PELGRA_TESTS_ENGINE_CALL_TEST_H
#define PELGRA_TESTS_ENGINE_CALL_TEST_H

#include "EngineState.h"
#include "RecordingAudio.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

// Each call as the stand-in writes it, for example
// "FSOUND_Sample_Load(-1, boom.wav, 0x130, 0, 0)".
using Calls = std::vector<std::string>;

// Every case starts with the engine not started, no calls recorded and the stand-in
// answering success.
class EngineCallTest : public ::testing::Test {
protected:
    void SetUp() override {
        RecordingAudio_Reset();
        pelgra::engine::g_engineInitialised = false;
    }

    // The calls recorded since the last take, which are then forgotten.
    static Calls take() {
        Calls taken;
        std::istringstream lines(RecordingAudio_Calls());
        for (std::string line; std::getline(lines, line);) {
            taken.push_back(line);
        }
        RecordingAudio_ClearCalls();
        return taken;
    }
};

#endif
