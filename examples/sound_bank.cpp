// Holding many sound effects at once, as a game's sound bank does.
//
//   sound_bank [--offline] EFFECT...
//
// A CSoundFX owns its sample, and its destructor stops every effect and frees the
// sample. A copy shares the sample, so a container that copies or moves its elements
// as it grows (std::vector<CSoundFX>) destroys the old copies: their destructors free
// the samples the new copies still name, and stop whatever plays. Hold each object by
// std::unique_ptr, as here, or in a container that never relocates its elements
// (std::deque filled at its ends, std::list). With --offline the program mixes through
// the audio library's manual output and prints the peak level each effect reached.
#include "PelgraAudio.h"
#include "PelgraSoundEngine.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

namespace {

constexpr int kMixRate = 48000;
constexpr int kFramesPerEffect = kMixRate / 4;

// Lets a quarter of a second pass; offline, mixes it and returns its peak.
float listen(bool offline) {
    if (!offline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
        return 0.0f;
    }
    std::vector<float> block(2 * kFramesPerEffect);
    PelgraAudio_Render(block.data(), kFramesPerEffect);
    PelgraAudioStats stats{}; // the peaks of that render
    PelgraAudio_GetStats(&stats);
    return std::max(stats.peakLeft, stats.peakRight);
}

} // namespace

int main(int argc, char** argv) {
    const bool offline = argc > 1 && std::strcmp(argv[1], "--offline") == 0;
    const int first = offline ? 2 : 1;
    if (argc <= first) {
        std::fprintf(stderr, "usage: sound_bank [--offline] EFFECT...\n");
        return 2;
    }
    if (offline) {
        PelgraAudio_SetOutput("manual");
    }
    if (!InitializeSoundFXEngine(kMixRate, 32)) {
        std::fprintf(stderr, "sound_bank: the engine did not start\n");
        return 1;
    }
    int status = 0;
    {
        // The vector grows and moves its pointers; the objects stay where they are.
        std::vector<std::unique_ptr<CSoundFX>> bank;
        for (int i = first; i < argc; ++i) {
            auto effect = std::make_unique<CSoundFX>();
            if (!effect->LoadFromFile(argv[i], false)) {
                std::fprintf(stderr, "sound_bank: cannot load %s\n", argv[i]);
                status = 1;
                break;
            }
            bank.push_back(std::move(effect));
        }
        for (std::size_t i = 0; status == 0 && i < bank.size(); ++i) {
            bank[i]->Play();
            std::printf("%s: peak %.3f\n", argv[first + static_cast<int>(i)], listen(offline));
        }
        // The bank goes here, before the shutdown: each destructor frees its own sample.
    }
    ShutdownSoundFXEngine();
    return status;
}
