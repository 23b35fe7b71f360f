// The CPU cost of one second of song output through Song (the worker rendering ahead,
// the audio thread mixing from the ring) beside libopenmpt rendering the same module
// alone, the floor; and what streamed songs whose loop is a single frame cost, and
// whether the module beside them still arrives in time. Process CPU time counts every
// thread. Last, what a song's own volume costs the audio thread per mixing block.
#include "DemoSongs.h"
#include "TestSounds.h"
#include "song/Song.h"
#include "song/SongVolume.h"

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

// A WAV file of one frame at the highest file rate the library takes: the whole file
// is its loop, repeated 16 times for every frame at 48 kHz.
std::string writeOneFrameLoop(const testsupport::ScratchFolder& folder, const std::string& name) {
    testsupport::Sine frame;
    frame.sampleRate = 768000;
    frame.frames = 1;
    return folder.writeSine(name, frame);
}

// One such song alone, mixed as fast as the worker renders it: the cost of a second of
// it, with nothing to wait for (stable under callgrind, where the paced figures are not).
void oneFrameLoopAsFastAsRendered(benchmark::State& state) {
    const testsupport::ScratchFolder folder("song-bench");
    std::unique_ptr<pelgra::audio::Song> song =
        pelgra::audio::Song::open(writeOneFrameLoop(folder, "frame.wav").c_str(), kRate);
    song->play();
    std::vector<float> block(2 * kBlockFrames);
    for (auto _ : state) {
        for (int done = 0; done < kRate; done += kBlockFrames) {
            song->awaitRendered(kBlockFrames);
            song->mixInto(block.data(), kBlockFrames);
            benchmark::DoNotOptimize(block.data());
        }
    }
}

// state.range(0) such songs beside the demo module at a device's pace: what they cost per
// second, and the module's blocks that came short (late) per second.
void oneFrameLoopsBesideModule(benchmark::State& state) {
    const testsupport::ScratchFolder folder("song-bench");
    std::vector<std::unique_ptr<pelgra::audio::Song>> loops;
    for (int i = 0; i < state.range(0); ++i) {
        const std::string path = writeOneFrameLoop(folder, "frame" + std::to_string(i) + ".wav");
        loops.push_back(pelgra::audio::Song::open(path.c_str(), kRate));
        loops.back()->play();
    }
    ModuleFile file;
    std::unique_ptr<pelgra::audio::Song> module = pelgra::audio::Song::open(file.path(), kRate);
    module->play();
    long lateBlocks = 0;
    atDevicePace(state, [&](float* block) {
        for (const std::unique_ptr<pelgra::audio::Song>& loop : loops) {
            loop->mixInto(block, kBlockFrames);
        }
        if (module->mixInto(block, kBlockFrames) < kBlockFrames) {
            ++lateBlocks;
        }
    });
    state.counters["module_late_blocks"] =
        benchmark::Counter(static_cast<double>(lateBlocks), benchmark::Counter::kAvgIterations);
}

// One mixing block of a song under its own volume: 0 steady at full level (what every
// song paid before songs had volumes), 1 steady at half, 2 fading.
void songVolumeBlock(benchmark::State& state) {
    constexpr int kMixBlock = 256;
    pelgra::audio::SongVolume volume;
    if (state.range(0) == 1) {
        volume.set(128);
        volume.take(false);
    } else if (state.range(0) == 2) {
        volume.fade(0, pelgra::audio::SongVolume::kMaxFadeFrames, false); // never ends here
        volume.take(true);
    }
    const std::vector<float> frames(2 * kMixBlock, 0.25f);
    std::vector<float> out(2 * kMixBlock, 0.0f);
    for (auto _ : state) {
        volume.mix(out.data(), frames.data(), kMixBlock, 1.0f, 0.0f, 1.0f, 0.0f,
                   pelgra::audio::MixInto::Add);
        benchmark::DoNotOptimize(out.data());
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
BENCHMARK(oneFrameLoopAsFastAsRendered)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(oneFrameLoopsBesideModule)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Iterations(kPacedSeconds);
BENCHMARK(songVolumeBlock)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kNanosecond);

BENCHMARK_MAIN();
