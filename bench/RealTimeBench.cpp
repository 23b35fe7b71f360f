// Figures of the audio library's real-time promises under an application that calls it
// as hard as it can: the CPU time of one callback while another thread floods the
// command queue, another thread's call latency while songs start, the idle cost of a
// callback, thread by thread (beside SDL_mixer's, where it is installed) and the cost of
// freeing many samples while the output does not drain.
#include "DemoSongs.h"
#include "PelgraAudio.h"
#include "TestSounds.h"
#include "ThreadTimes.h"

#include <benchmark/benchmark.h>
#include <sndfile.h>

#if defined(PELGRA_BENCH_HAVE_SDL_MIXER)
#include <SDL.h>
#include <SDL_mixer.h>
#endif

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include <sys/resource.h>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRate = 48000;
constexpr int kCallbackFrames = 512;
constexpr double kPeriodMicros = 1e6 * kCallbackFrames / kRate;

// A folder of files written for the run, removed at exit.
const testsupport::ScratchFolder& folder() {
    static const testsupport::ScratchFolder instance("realtime-bench");
    return instance;
}

// A mono 16-bit WAV at the mixing rate holding `frames` frames of a quiet square wave.
std::string writeTone(const std::string& name, int frames) {
    std::string path = folder().path(name);
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    std::vector<float> values(static_cast<std::size_t>(frames));
    for (int frame = 0; frame < frames; ++frame) {
        values[static_cast<std::size_t>(frame)] = (frame / 50) % 2 == 0 ? 0.01f : -0.01f;
    }
    sf_writef_float(file, values.data(), frames);
    sf_close(file);
    return path;
}

std::string writeSong() {
    std::string path = folder().path("demo.mod");
    pelgra::gen::writeFile(path, pelgra::gen::makeDemoModule());
    return path;
}

bool start(const char* output, int voices) {
    FSOUND_Close();
    PelgraAudio_SetOutput(output);
    return FSOUND_Init(kRate, voices, 0) == 1;
}

double threadCpuMicros() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) * 1e-3;
}

double processCpuMicros() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto micros = [](const timeval& time) {
        return static_cast<double>(time.tv_sec) * 1e6 + static_cast<double>(time.tv_usec);
    };
    return micros(usage.ru_utime) + micros(usage.ru_stime);
}

double percentile(std::vector<double> values, double fraction) {
    const auto at = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1));
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(at),
                     values.end());
    return values[at];
}

// Starts the manual output with every voice playing a looping sample; false (the
// benchmark skipped) when the library did not start.
bool startWithEveryVoicePlaying(benchmark::State& state, int voices) {
    if (!start("manual", voices)) {
        state.SkipWithError("the library did not start");
        return false;
    }
    static const std::string tone = writeTone("loop.wav", kRate / 10);
    FSOUND_SAMPLE* sample =
        FSOUND_Sample_Load(FSOUND_FREE, tone.c_str(), FSOUND_NORMAL | FSOUND_LOOP_NORMAL, 0, 0);
    for (int voice = 0; voice < voices; ++voice) {
        FSOUND_PlaySound(FSOUND_FREE, sample);
    }
    return true;
}

// This thread's CPU time for one callback's render into `out`.
double renderCpuMicros(std::vector<float>& out) {
    const double begin = threadCpuMicros();
    PelgraAudio_Render(out.data(), kCallbackFrames);
    return threadCpuMicros() - begin;
}

// The CPU time of one 512-frame callback (the manual output, rendered on this thread)
// while another thread pauses and resumes every voice as fast as it can, with 1024
// voices playing. The budget is the callback's period, 10.7 ms.
void callbackUnderCommandFlood(benchmark::State& state) {
    constexpr int kVoices = 1024;
    constexpr int kCallbacks = 40;
    if (!startWithEveryVoicePlaying(state, kVoices)) {
        return;
    }
    std::vector<float> out(2 * kCallbackFrames);
    std::vector<double> cpuMicros;
    for (auto _ : state) {
        std::atomic<bool> flooding{true};
        std::thread flooder([&] {
            for (int paused = 1; flooding.load(std::memory_order_relaxed); paused ^= 1) {
                FSOUND_SetPaused(FSOUND_ALL, paused);
            }
        });
        for (int callback = 0; callback < kCallbacks; ++callback) {
            cpuMicros.push_back(renderCpuMicros(out));
        }
        flooding = false;
        flooder.join();
    }
    state.counters["period_us"] = kPeriodMicros;
    state.counters["median_cpu_us"] = percentile(cpuMicros, 0.5);
    state.counters["longest_cpu_us"] = *std::max_element(cpuMicros.begin(), cpuMicros.end());
    FSOUND_Close();
}
BENCHMARK(callbackUnderCommandFlood)->Iterations(1)->Unit(benchmark::kMillisecond);

// The CPU time of the callback that finds the command queue full of pause and resume
// commands for every voice, 1024 voices playing.
void callbackAfterAFullQueue(benchmark::State& state) {
    if (!startWithEveryVoicePlaying(state, 1024)) {
        return;
    }
    std::vector<float> out(2 * kCallbackFrames);
    std::vector<double> cpuMicros;
    for (auto _ : state) {
        PelgraAudio_Render(out.data(), kCallbackFrames);
        for (int paused = 1; FSOUND_SetPaused(FSOUND_ALL, paused) == 1; paused ^= 1) {
        }
        cpuMicros.push_back(renderCpuMicros(out));
    }
    state.counters["period_us"] = kPeriodMicros;
    state.counters["longest_cpu_us"] = *std::max_element(cpuMicros.begin(), cpuMicros.end());
    FSOUND_Close();
}
BENCHMARK(callbackAfterAFullQueue)->Iterations(10)->Unit(benchmark::kMillisecond);

// An FSOUND_PlaySound + FSOUND_StopSound pair on this thread, once every 100 µs, while
// another thread starts and stops four songs in turn, the null output mixing in real
// time. Also the longest FMUSIC_PlaySong call itself.
void callLatencyWhileSongsStart(benchmark::State& state) {
    constexpr int kSongs = 4;
    constexpr auto kRun = std::chrono::seconds(3);
    if (!start("null", 32)) {
        state.SkipWithError("the library did not start");
        return;
    }
    static const std::string songFile = writeSong();
    std::vector<FMUSIC_MODULE*> songs(kSongs);
    for (FMUSIC_MODULE*& song : songs) {
        song = FMUSIC_LoadSong(songFile.c_str());
    }
    static const std::string tone = writeTone("short.wav", kRate / 100);
    FSOUND_SAMPLE* sample = FSOUND_Sample_Load(FSOUND_FREE, tone.c_str(), FSOUND_NORMAL, 0, 0);
    std::vector<double> pairMicros;
    std::vector<double> songStartMicros;
    for (auto _ : state) {
        std::atomic<bool> running{true};
        std::thread starter([&] {
            for (std::size_t turn = 0; running.load(std::memory_order_relaxed); ++turn) {
                FMUSIC_MODULE* song = songs[turn % songs.size()];
                const auto begin = Clock::now();
                FMUSIC_PlaySong(song);
                songStartMicros.push_back(
                    std::chrono::duration<double, std::micro>(Clock::now() - begin).count());
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
                FMUSIC_StopSong(song);
            }
        });
        const auto end = Clock::now() + kRun;
        while (Clock::now() < end) {
            const auto begin = Clock::now();
            FSOUND_StopSound(FSOUND_PlaySound(FSOUND_FREE, sample));
            pairMicros.push_back(
                std::chrono::duration<double, std::micro>(Clock::now() - begin).count());
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        }
        running = false;
        starter.join();
    }
    state.counters["pair_median_us"] = percentile(pairMicros, 0.5);
    state.counters["pair_p99_us"] = percentile(pairMicros, 0.99);
    state.counters["pair_max_us"] = *std::max_element(pairMicros.begin(), pairMicros.end());
    state.counters["play_song_max_us"] =
        *std::max_element(songStartMicros.begin(), songStartMicros.end());
    FSOUND_Close();
}
BENCHMARK(callLatencyWhileSongsStart)->Iterations(1)->Unit(benchmark::kMillisecond);

constexpr auto kIdleRun = std::chrono::seconds(3);

// The process's CPU time and each thread's run time and wakes over kIdleRun, nothing
// playing; `callbacksSoFar` counts the output's callbacks.
template <typename CountCallbacks>
void measureIdle(benchmark::State& state, CountCallbacks callbacksSoFar) {
    double cpuMicros = 0.0;
    double callbacks = 0.0;
    std::map<std::string, benchtimes::ThreadFigures> threads;
    for (auto _ : state) {
        const double firstCallback = callbacksSoFar();
        const benchtimes::ThreadSnapshot before = benchtimes::takeThreadSnapshot();
        const double begin = processCpuMicros();
        std::this_thread::sleep_for(kIdleRun);
        cpuMicros = processCpuMicros() - begin;
        threads = benchtimes::threadsBetween(before, benchtimes::takeThreadSnapshot());
        callbacks = callbacksSoFar() - firstCallback;
    }
    const double seconds = std::chrono::duration<double>(kIdleRun).count();
    state.counters["callbacks_per_s"] = callbacks / seconds;
    state.counters["cpu_us_per_callback"] = cpuMicros / std::max(callbacks, 1.0);
    state.counters["cpu_ms_per_s"] = cpuMicros * 1e-3 / seconds;
    for (const auto& [name, figures] : threads) {
        state.counters[name + "_ms_per_s"] = figures.runNs * 1e-6 / seconds;
        state.counters[name + "_wakes_per_s"] = figures.wakes / seconds;
    }
}

// The process's CPU time per callback with the library started (32 voices, 48 kHz
// stereo, 512-frame callbacks) and nothing playing. Through SDL2, SDL_AUDIODRIVER=dummy
// unless the environment chooses a driver, so that it compares with SDL_mixer below.
void idleCallback(benchmark::State& state, const char* output) {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    if (!start(output, 32)) {
        state.SkipWithError("the library did not start");
        return;
    }
    measureIdle(state, [] {
        PelgraAudioStats stats{};
        PelgraAudio_GetStats(&stats);
        return static_cast<double>(stats.callbacks);
    });
    FSOUND_Close();
}
BENCHMARK_CAPTURE(idleCallback, pelgra_sdl, "sdl")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(idleCallback, pelgra_null, "null")->Iterations(1)->Unit(benchmark::kMillisecond);

// The mixing alone of an idle callback: 512 frames rendered by the manual output on
// this thread, 32 voices and nothing playing.
void idleRender(benchmark::State& state) {
    if (!start("manual", 32)) {
        state.SkipWithError("the library did not start");
        return;
    }
    std::vector<float> out(2 * kCallbackFrames);
    for (auto _ : state) {
        PelgraAudio_Render(out.data(), kCallbackFrames);
        benchmark::DoNotOptimize(out.data());
    }
    FSOUND_Close();
}
BENCHMARK(idleRender)->Unit(benchmark::kNanosecond);

// The same with a song loaded that was played, stopped and has faded out: a stopped song
// should cost an idle callback nothing.
void idleRenderStoppedSong(benchmark::State& state) {
    if (!start("manual", 32)) {
        state.SkipWithError("the library did not start");
        return;
    }
    static const std::string songFile = writeSong();
    FMUSIC_MODULE* song = FMUSIC_LoadSong(songFile.c_str());
    std::vector<float> out(2 * kCallbackFrames);
    FMUSIC_PlaySong(song);
    PelgraAudio_Render(out.data(), kCallbackFrames);
    FMUSIC_StopSong(song);
    for (int callback = 0; callback < 10; ++callback) { // well past the fade-out
        PelgraAudio_Render(out.data(), kCallbackFrames);
    }
    for (auto _ : state) {
        PelgraAudio_Render(out.data(), kCallbackFrames);
        benchmark::DoNotOptimize(out.data());
    }
    FMUSIC_FreeSong(song);
    FSOUND_Close();
}
BENCHMARK(idleRenderStoppedSong)->Unit(benchmark::kNanosecond);

#if defined(PELGRA_BENCH_HAVE_SDL_MIXER)
std::atomic<int> g_mixerCallbacks{0};

void countMixerCallback(void* /*userdata*/, Uint8* /*stream*/, int /*bytes*/) {
    g_mixerCallbacks.fetch_add(1, std::memory_order_relaxed);
}

// The same for SDL_mixer: 32 channels, float stereo, 512-frame chunks, nothing playing.
void idleCallbackSdlMixer(benchmark::State& state) {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    FSOUND_Close();
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0 ||
        Mix_OpenAudio(kRate, AUDIO_F32SYS, 2, kCallbackFrames) != 0) {
        state.SkipWithError("SDL_mixer did not start");
        return;
    }
    Mix_AllocateChannels(32);
    Mix_SetPostMix(countMixerCallback, nullptr);
    measureIdle(state, [] { return static_cast<double>(g_mixerCallbacks.load()); });
    Mix_CloseAudio();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}
BENCHMARK(idleCallbackSdlMixer)->Iterations(1)->Unit(benchmark::kMillisecond);
#endif

// Freeing 65534 samples while the output does not drain (the manual output, never
// rendered, after one play), so that none can be released at once.
void freeWhileNotDraining(benchmark::State& state) {
    constexpr int kSamples = 65534;
    if (!start("manual", 8)) {
        state.SkipWithError("the library did not start");
        return;
    }
    static const std::string tone = writeTone("tiny.wav", 16);
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<FSOUND_SAMPLE*> samples(kSamples);
        for (FSOUND_SAMPLE*& sample : samples) {
            sample = FSOUND_Sample_Load(FSOUND_FREE, tone.c_str(), FSOUND_NORMAL, 0, 0);
        }
        FSOUND_PlaySound(FSOUND_FREE, samples.front());
        state.ResumeTiming();
        const auto begin = Clock::now();
        for (FSOUND_SAMPLE* sample : samples) {
            FSOUND_Sample_Free(sample);
        }
        const double millis =
            std::chrono::duration<double, std::milli>(Clock::now() - begin).count();
        state.counters["free_all_ms"] = millis;
        state.counters["ns_per_free"] = millis * 1e6 / kSamples;
    }
    FSOUND_Close();
}
BENCHMARK(freeWhileNotDraining)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
