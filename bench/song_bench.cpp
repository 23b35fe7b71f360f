// The CPU cost of one second of song output through Song (the worker rendering ahead,
// the audio thread mixing from the ring) beside libopenmpt rendering the same module
// alone, the floor. Process CPU time counts both threads.
#include "DemoSongs.h"
#include "song/Song.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <filesystem>
#include <libopenmpt/libopenmpt.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kRate = 48000;
constexpr int kBlockFrames = 512; // what a device callback typically asks for
constexpr int kPacedSeconds = 8;

const std::vector<std::uint8_t>& demoModule() {
    static const std::vector<std::uint8_t> module = pelgra::gen::makeDemoModule();
    return module;
}

// The demo module as a file, for the length of one benchmark.
class ModuleFile {
public:
    ModuleFile()
        : m_path((std::filesystem::temp_directory_path() /
                  ("pelgra-song-bench-" + std::to_string(::getpid()) + ".mod"))
                     .string()) {
        pelgra::gen::writeFile(m_path, demoModule());
    }
    ~ModuleFile() { std::filesystem::remove(m_path); }
    ModuleFile(const ModuleFile&) = delete;
    ModuleFile& operator=(const ModuleFile&) = delete;
    const char* path() const { return m_path.c_str(); }

private:
    std::string m_path;
};

openmpt_module* openLooping() {
    openmpt_module* module = openmpt_module_create_from_memory2(
        demoModule().data(), demoModule().size(), openmpt_log_func_silent, nullptr,
        openmpt_error_func_ignore, nullptr, nullptr, nullptr, nullptr);
    openmpt_module_set_repeat_count(module, -1);
    return module;
}

// The floor: libopenmpt renders the module, looping, straight into a buffer.
void libopenmptAlone(benchmark::State& state) {
    openmpt_module* module = openLooping();
    std::vector<float> block(2 * kBlockFrames);
    for (auto _ : state) {
        for (int done = 0; done < kRate; done += kBlockFrames) {
            openmpt_module_read_interleaved_float_stereo(module, kRate, kBlockFrames, block.data());
            benchmark::DoNotOptimize(block.data());
        }
    }
    openmpt_module_destroy(module);
}

// One second of blocks at the pace of an audio device's callbacks.
template <typename FillBlock> void atDevicePace(benchmark::State& state, FillBlock fill) {
    std::vector<float> block(2 * kBlockFrames);
    const auto blockTime = std::chrono::microseconds(1000000LL * kBlockFrames / kRate);
    for (auto _ : state) {
        auto deadline = std::chrono::steady_clock::now();
        for (int done = 0; done < kRate; done += kBlockFrames) {
            std::fill(block.begin(), block.end(), 0.0f);
            fill(block.data());
            benchmark::DoNotOptimize(block.data());
            deadline += blockTime;
            std::this_thread::sleep_until(deadline);
        }
    }
}

// The pace alone, with nothing mixed: what waking for every block costs here, to be
// taken off both figures below.
void devicePaceAlone(benchmark::State& state) {
    atDevicePace(state, [](float*) {});
}

// The floor at a device's pace: libopenmpt rendering inside the callback.
void libopenmptAtDevicePace(benchmark::State& state) {
    openmpt_module* module = openLooping();
    atDevicePace(state, [&](float* block) {
        openmpt_module_read_interleaved_float_stereo(module, kRate, kBlockFrames, block);
    });
    openmpt_module_destroy(module);
}

// Through Song at a device's pace: what a song costs while it plays.
void songAtDevicePace(benchmark::State& state) {
    ModuleFile file;
    std::unique_ptr<pelgra::audio::Song> song = pelgra::audio::Song::open(file.path(), kRate);
    song->play();
    atDevicePace(state, [&](float* block) { song->mixInto(block, kBlockFrames); });
}

// Through Song, mixed as fast as the worker renders: the hand-over's own cost.
void songAsFastAsRendered(benchmark::State& state) {
    ModuleFile file;
    std::unique_ptr<pelgra::audio::Song> song = pelgra::audio::Song::open(file.path(), kRate);
    song->play();
    std::vector<float> block(2 * kBlockFrames);
    for (auto _ : state) {
        for (int done = 0; done < kRate; done += kBlockFrames) {
            std::fill(block.begin(), block.end(), 0.0f);
            song->awaitRendered(kBlockFrames);
            song->mixInto(block.data(), kBlockFrames);
            benchmark::DoNotOptimize(block.data());
        }
    }
}

} // namespace

BENCHMARK(libopenmptAlone)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(devicePaceAlone)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Iterations(kPacedSeconds);
BENCHMARK(libopenmptAtDevicePace)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Iterations(kPacedSeconds);
BENCHMARK(songAtDevicePace)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Iterations(kPacedSeconds);
BENCHMARK(songAsFastAsRendered)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

BENCHMARK_MAIN();
