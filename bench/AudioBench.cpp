// Figures of the audio library: mixing cost per voice and frame (at the voices' defaults,
// and panned and pitched), decoding cost per megabyte, the cost of a play and stop pair
// from an application thread while the audio thread runs, and the longest gap between
// callbacks while a long file loads.
#include "PelgraAudio.h"
#include "TestSounds.h"

#include <benchmark/benchmark.h>
#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRate = 48000;

// Sound files written once for the whole run, removed at exit.
class BenchFiles {
public:
    // A noisy chord of `seconds` seconds, stereo at 44.1 kHz, in the given format.
    std::string write(const std::string& name, int format, int seconds) const {
        std::string path = m_folder.path(name);
        if (std::filesystem::exists(path)) {
            return path;
        }
        SF_INFO info{};
        info.samplerate = 44100;
        info.channels = 2;
        info.format = format;
        SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
        std::vector<float> frames(2 * 44100);
        unsigned int noise = 1;
        for (int second = 0; second < seconds; ++second) {
            for (int frame = 0; frame < 44100; ++frame) {
                const double t = (second * 44100 + frame) / 44100.0;
                noise = noise * 1664525u + 1013904223u;
                const auto value = static_cast<float>(0.3 * std::sin(2 * M_PI * 440 * t) +
                                                      0.2 * std::sin(2 * M_PI * 660 * t) +
                                                      0.05 * (noise / 4294967296.0 - 0.5));
                frames[static_cast<std::size_t>(2 * frame)] = value;
                frames[static_cast<std::size_t>(2 * frame + 1)] = -value;
            }
            sf_writef_float(file, frames.data(), 44100);
        }
        sf_close(file);
        return path;
    }

private:
    testsupport::ScratchFolder m_folder{"audio-bench"};
};

const BenchFiles& files() {
    static const BenchFiles instance;
    return instance;
}

// Wall time of the benchmark loop divided by `units` per iteration, in nanoseconds.
class LoopTimer {
public:
    double nanosPer(const benchmark::State& state, double unitsPerIteration) const {
        const double nanos =
            std::chrono::duration<double, std::nano>(Clock::now() - m_begin).count();
        return nanos / (static_cast<double>(state.iterations()) * unitsPerIteration);
    }

private:
    Clock::time_point m_begin = Clock::now();
};

bool start(const char* output, int voices) {
    FSOUND_Close();
    PelgraAudio_SetOutput(output);
    return FSOUND_Init(kRate, voices, 0) == 1;
}

// Mixing cost: `voices` looping voices, rendered in device-sized calls; `adjust` is
// called with each voice number after its start.
template <typename Adjust> void mixVoices(benchmark::State& state, int voices, Adjust adjust) {
    constexpr int kFrames = 512;
    if (!start("manual", voices)) {
        state.SkipWithError("the library did not start");
        return;
    }
    const std::string path = files().write("mix.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2);
    FSOUND_SAMPLE* sample =
        FSOUND_Sample_Load(FSOUND_FREE, path.c_str(), FSOUND_NORMAL | FSOUND_LOOP_NORMAL, 0, 0);
    for (int voice = 0; voice < voices; ++voice) {
        adjust(FSOUND_PlaySound(FSOUND_FREE, sample));
    }
    std::vector<float> out(2 * kFrames);
    const LoopTimer timer;
    for (auto _ : state) {
        PelgraAudio_Render(out.data(), kFrames);
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["ns_per_voice_frame"] =
        timer.nanosPer(state, static_cast<double>(voices) * kFrames);
    FSOUND_Close();
}

// Every voice at its own settings' defaults.
void mixing(benchmark::State& state) {
    mixVoices(state, static_cast<int>(state.range(0)), [](int /*voice*/) {});
}
BENCHMARK(mixing)->Arg(1)->Arg(8)->Arg(64)->Arg(256)->Arg(1024)->Unit(benchmark::kMicrosecond);

// Every voice quieter and panned, at the sample's own pitch (range 1: 0) or, read
// between its frames, at pitch 1.5 (range 1: 1).
void mixingPannedAndPitched(benchmark::State& state) {
    const bool pitched = state.range(1) != 0;
    mixVoices(state, static_cast<int>(state.range(0)), [&](int voice) {
        PelgraAudio_SetVoiceVolume(voice, 200);
        PelgraAudio_SetVoicePan(voice, voice % 256 - 128);
        if (pitched) {
            PelgraAudio_SetVoicePitch(voice, 1.5f);
        }
    });
}
BENCHMARK(mixingPannedAndPitched)
    ->Args({64, 0})
    ->Args({1024, 0})
    ->Args({64, 1})
    ->Args({1024, 1})
    ->Unit(benchmark::kMicrosecond);

// Load cost per megabyte of decoded audio (float frames at the mixing rate).
void loading(benchmark::State& state, int format, const char* name) {
    if (!start("manual", 8)) {
        state.SkipWithError("the library did not start");
        return;
    }
    const std::string path = files().write(name, format, 10);
    const LoopTimer timer;
    for (auto _ : state) {
        FSOUND_SAMPLE* sample = FSOUND_Sample_Load(FSOUND_FREE, path.c_str(), FSOUND_NORMAL, 0, 0);
        if (sample == nullptr) {
            state.SkipWithError("the file did not load");
            break;
        }
        FSOUND_Sample_Free(sample);
    }
    const double megabytes = 10.0 * kRate * 2 * sizeof(float) / (1024.0 * 1024.0);
    state.counters["ms_per_MB"] = timer.nanosPer(state, megabytes) * 1e-6;
    FSOUND_Close();
}
BENCHMARK_CAPTURE(loading, wav, SF_FORMAT_WAV | SF_FORMAT_PCM_16, "load.wav")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(loading, ogg_vorbis, SF_FORMAT_OGG | SF_FORMAT_VORBIS, "load.ogg")
    ->Unit(benchmark::kMillisecond);

double percentile(std::vector<double>& values, double fraction) {
    const auto at = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1));
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(at),
                     values.end());
    return values[at];
}

// One FSOUND_PlaySound + FSOUND_StopSound pair from this thread while the null
// output's thread mixes. Pairs are spaced 10 microseconds apart (a thousand per
// callback, far more than a game issues), so that the command queue drains between
// callbacks; `refused` counts plays refused because it was full all the same.
void playStopPair(benchmark::State& state) {
    constexpr int kPairs = 200000;
    if (!start("null", 32)) {
        state.SkipWithError("the library did not start");
        return;
    }
    const std::string path = files().write("mix.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2);
    FSOUND_SAMPLE* sample = FSOUND_Sample_Load(FSOUND_FREE, path.c_str(), FSOUND_NORMAL, 0, 0);
    std::vector<double> nanos(kPairs);
    int refused = 0;
    for (auto _ : state) {
        for (double& pair : nanos) {
            const auto begin = Clock::now();
            const int voice = FSOUND_PlaySound(FSOUND_FREE, sample);
            FSOUND_StopSound(voice);
            const auto end = Clock::now();
            refused += voice < 0 ? 1 : 0;
            pair = std::chrono::duration<double, std::nano>(end - begin).count();
            while (Clock::now() - end < std::chrono::microseconds(10)) {
            }
        }
    }
    state.counters["median_ns"] = percentile(nanos, 0.5);
    state.counters["p99.9_ns"] = percentile(nanos, 0.999);
    state.counters["max_ns"] = *std::max_element(nanos.begin(), nanos.end());
    state.counters["refused"] = refused;
    FSOUND_Close();
}
BENCHMARK(playStopPair)->Iterations(1)->Unit(benchmark::kMillisecond);

// The longest gap between two callbacks of the null output while a long Ogg Vorbis
// file decodes on this thread, in buffer periods.
void gapWhileLoading(benchmark::State& state) {
    if (!start("null", 32)) {
        state.SkipWithError("the library did not start");
        return;
    }
    const std::string longFile = files().write("long.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 120);
    const std::string effect = files().write("mix.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2);
    FSOUND_SAMPLE* playing =
        FSOUND_Sample_Load(FSOUND_FREE, effect.c_str(), FSOUND_NORMAL | FSOUND_LOOP_NORMAL, 0, 0);
    for (int voice = 0; voice < 16; ++voice) {
        FSOUND_PlaySound(FSOUND_FREE, playing);
    }
    PelgraAudioStats stats{};
    for (auto _ : state) {
        PelgraAudio_ResetStats();
        FSOUND_SAMPLE* loaded =
            FSOUND_Sample_Load(FSOUND_FREE, longFile.c_str(), FSOUND_NORMAL, 0, 0);
        PelgraAudio_GetStats(&stats);
        FSOUND_Sample_Free(loaded);
    }
    const double periodMicros = 1e6 * stats.bufferFrames / kRate;
    state.counters["period_us"] = periodMicros;
    state.counters["longest_gap_us"] = stats.longestGapMicros;
    state.counters["gap_in_periods"] = stats.longestGapMicros / periodMicros;
    state.counters["longest_callback_us"] = stats.longestCallbackMicros;
    FSOUND_Close();
}
BENCHMARK(gapWhileLoading)->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
