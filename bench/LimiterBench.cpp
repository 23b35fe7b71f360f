// The limiter's cost per output frame beside the mixing it ends: the mixer renders 64
// looping mono voices in 512-frame calls with the limiter on and off, and the limiter
// alone, with the clip that writes its frames out, processes a mix below its ceiling
// (passed through) and one far above it (lowered throughout). CPU time per output frame.
#include "mixer/Limiter.h"
#include "mixer/Mixer.h"
#include "mixer/OutputClip.h"
#include "sample/Sample.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {

using pelgra::audio::Limiter;
using pelgra::audio::Mixer;
using pelgra::audio::Sample;

constexpr int kRate = 48000;
constexpr int kFrames = 512;
constexpr int kVoices = 64;

float chordAt(int frame, float level) {
    const double t = static_cast<double>(frame) / kRate;
    return static_cast<float>(
        level * (0.6 * std::sin(2 * M_PI * 440 * t) + 0.4 * std::sin(2 * M_PI * 660 * t)));
}

benchmark::Counter nanosPerFrame() {
    return benchmark::Counter(kFrames, benchmark::Counter::kIsIterationInvariantRate |
                                           benchmark::Counter::kInvert);
}

// 64 voices of a chord at half scale, started together: their sum reaches 32 times
// full scale, so the limiter lowers it all the time.
void mixing64Voices(benchmark::State& state) {
    const bool limiting = state.range(0) != 0;
    Sample chord;
    chord.frames = 2 * kRate;
    chord.loops = true;
    for (int frame = 0; frame < chord.frames; ++frame) {
        chord.data.push_back(chordAt(frame, 0.5f));
    }
    Mixer mixer(kRate, kVoices);
    mixer.setLimiterEnabled(limiting);
    for (int voice = 0; voice < kVoices; ++voice) {
        mixer.play(Mixer::kAnyVoice, chord);
    }
    std::vector<float> out(2 * kFrames);
    for (auto _ : state) {
        mixer.render(out.data(), kFrames);
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["per_frame"] = nanosPerFrame();
    mixer.stop(Mixer::kAllVoices);
}
BENCHMARK(mixing64Voices)->ArgName("limiter")->Arg(0)->Arg(1);

// The limiter alone, from the mix to the output frames.
void limiterAlone(benchmark::State& state) {
    const auto level = static_cast<float>(state.range(0)) / 100.0f;
    std::vector<float> mix(2 * kFrames);
    for (int frame = 0; frame < kFrames; ++frame) {
        mix[static_cast<std::size_t>(2 * frame)] = chordAt(frame, level);
        mix[static_cast<std::size_t>(2 * frame + 1)] = chordAt(frame, -level);
    }
    Limiter limiter(kRate);
    pelgra::audio::OutputClip clip;
    std::vector<float> out(mix.size());
    for (auto _ : state) {
        limiter.process(mix.data(), out.data(), kFrames, clip);
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["per_frame"] = nanosPerFrame();
}
BENCHMARK(limiterAlone)->ArgName("level_percent")->Arg(80)->Arg(3200);

} // namespace

BENCHMARK_MAIN();
