// One case of the instruction-count benchmark, run under callgrind by run.sh: the
// library mixing a song, effect voices or nothing through the manual output, or a
// floor - the decoding, resampling or rendering library alone, called the way the
// library calls it. Each case loads and warms up first, then opens the counting window
// (callgrind runs with instrumentation off until then), mixes or renders `seconds` of
// 48 kHz stereo frames, closes the window and prints how many frames it counted.
//
//   instruction_cases write-module|write-xm|write-midi PATH
//   instruction_cases song PATH SECONDS
//   instruction_cases voices SAMPLE COUNT SECONDS
//   instruction_cases idle SECONDS
//   instruction_cases vorbis-soxr|sndfile|openmpt PATH SECONDS
//   instruction_cases fluidsynth PATH SOUNDFONT SECONDS
#include "DemoSongs.h"
#include "ManyChannelModule.h"
#include "PelgraAudio.h"

#include <fluidsynth.h>
#include <libopenmpt/libopenmpt.h>
#include <sndfile.h>
#include <soxr.h>
#include <valgrind/callgrind.h>
#include <vorbis/vorbisfile.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kRate = 48000;
// Frames per render: what a device callback of about 20 ms asks for.
constexpr int kBlock = 1024;
constexpr int kWarmUpFrames = kRate / 2;
constexpr unsigned kMaxChannels = 8;
constexpr int kXmChannels = 26;
// Ample for a song's worker to fill its ring, even slowed down fifty times by callgrind.
constexpr auto kSettle = std::chrono::seconds(1);

void openWindow() {
    CALLGRIND_START_INSTRUMENTATION;
    CALLGRIND_ZERO_STATS;
}

void closeWindow(long long frames) {
    CALLGRIND_STOP_INSTRUMENTATION;
    std::printf("frames %lld\n", frames);
}

std::vector<std::uint8_t> readWhole(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The library through the manual output: `frames` frames in callback-sized renders.
bool renderLibrary(long long frames) {
    std::vector<float> out(2 * kBlock);
    for (long long done = 0; done < frames; done += kBlock) {
        if (PelgraAudio_Render(out.data(), kBlock) != kBlock) {
            return false;
        }
    }
    return true;
}

bool startLibrary() {
    return PelgraAudio_SetOutput("manual") == 1 &&
           FSOUND_Init(kRate, PELGRA_AUDIO_MAX_VOICES, 0) == 1;
}

// A song's worker renders up to a quarter of a second ahead. Given time at both ends of
// the window to fill its ring, it has rendered within the window what the window mixed,
// give or take a slice and a decoded chunk, instead of anything up to a whole ring.
void letSongsFillUp() {
    std::this_thread::sleep_for(kSettle);
}

// Warm-up, then the window over `seconds` of mixing; false on any failure.
bool measureLibrary(int seconds) {
    if (!renderLibrary(kWarmUpFrames)) {
        return false;
    }
    letSongsFillUp();
    const long long frames = static_cast<long long>(seconds) * kRate;
    openWindow();
    const bool rendered = renderLibrary(frames);
    letSongsFillUp();
    closeWindow(frames);
    return rendered;
}

int song(const char* path, int seconds) {
    if (!startLibrary()) {
        return 1;
    }
    FMUSIC_MODULE* song = FMUSIC_LoadSong(path);
    if (song == nullptr || FMUSIC_PlaySong(song) != 1 || !measureLibrary(seconds)) {
        return 1;
    }
    FMUSIC_FreeSong(song);
    FSOUND_Close();
    return 0;
}

int voices(const char* samplePath, int count, int seconds) {
    if (!startLibrary()) {
        return 1;
    }
    FSOUND_SAMPLE* sample =
        FSOUND_Sample_Load(FSOUND_FREE, samplePath, FSOUND_NORMAL | FSOUND_LOOP_NORMAL, 0, 0);
    if (sample == nullptr) {
        return 1;
    }
    for (int voice = 0; voice < count; ++voice) {
        if (FSOUND_PlaySound(FSOUND_FREE, sample) < 0) {
            return 1;
        }
    }
    if (!measureLibrary(seconds)) {
        return 1;
    }
    FSOUND_Close();
    return 0;
}

int idle(int seconds) {
    if (!startLibrary() || !measureLibrary(seconds)) {
        return 1;
    }
    FSOUND_Close();
    return 0;
}

// libvorbisfile's planar float output straight into libsoxr at the quality the library
// streams with, interleaved out: the least a streamed Ogg song can cost.
int vorbisSoxr(const char* path, int seconds) {
    OggVorbis_File file{};
    if (ov_fopen(path, &file) != 0) {
        return 1;
    }
    const vorbis_info* info = ov_info(&file, -1);
    const auto channels = static_cast<unsigned>(info->channels);
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_S, SOXR_FLOAT32_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
    soxr_error_t error = nullptr;
    soxr_t resampler = soxr_create(static_cast<double>(info->rate), kRate, channels, &error, &io,
                                   &quality, &runtime);
    if (error != nullptr) {
        return 1;
    }
    if (channels > kMaxChannels) {
        return 1;
    }
    std::vector<float> out(2 * kBlock * static_cast<std::size_t>(channels));
    const float* from[kMaxChannels] = {};
    long long produced = 0;
    auto run = [&](long long frames) {
        const long long until = produced + frames;
        while (produced < until) {
            float** planes = nullptr;
            int section = 0;
            const long got = ov_read_float(&file, &planes, kBlock, &section);
            if (got <= 0) {
                return false;
            }
            for (std::size_t used = 0; used < static_cast<std::size_t>(got);) {
                std::size_t consumed = 0;
                std::size_t made = 0;
                for (unsigned channel = 0; channel < channels; ++channel) {
                    from[channel] = planes[channel] + used;
                }
                soxr_process(resampler, from, static_cast<std::size_t>(got) - used, &consumed,
                             out.data(), 2 * kBlock, &made);
                used += consumed;
                produced += static_cast<long long>(made);
            }
        }
        return true;
    };
    if (!run(kWarmUpFrames)) {
        return 1;
    }
    const long long start = produced;
    openWindow();
    const bool ran = run(static_cast<long long>(seconds) * kRate);
    closeWindow(produced - start);
    soxr_delete(resampler);
    ov_clear(&file);
    return ran ? 0 : 1;
}

// libsndfile's interleaved float frames of a file at the mixing rate.
int sndfile(const char* path, int seconds) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path, SFM_READ, &info);
    if (file == nullptr || info.samplerate != kRate) {
        return 1;
    }
    std::vector<float> out(kBlock * static_cast<std::size_t>(info.channels));
    auto run = [&](long long frames) {
        for (long long done = 0; done < frames; done += kBlock) {
            if (sf_readf_float(file, out.data(), kBlock) != kBlock) {
                return false;
            }
        }
        return true;
    };
    if (!run(kWarmUpFrames)) {
        return 1;
    }
    const long long frames = static_cast<long long>(seconds) * kRate;
    openWindow();
    const bool ran = run(frames);
    closeWindow(frames);
    sf_close(file);
    return ran ? 0 : 1;
}

// libopenmpt with the settings the library loads modules with.
int openmpt(const char* path, int seconds) {
    const std::vector<std::uint8_t> bytes = readWhole(path);
    openmpt_module* module = openmpt_module_create_from_memory2(
        bytes.data(), bytes.size(), openmpt_log_func_silent, nullptr, openmpt_error_func_ignore,
        nullptr, nullptr, nullptr, nullptr);
    if (module == nullptr) {
        return 1;
    }
    openmpt_module_set_repeat_count(module, -1);
    std::vector<float> out(2 * kBlock);
    auto run = [&](long long frames) {
        for (long long done = 0; done < frames; done += kBlock) {
            openmpt_module_read_interleaved_float_stereo(module, kRate, kBlock, out.data());
        }
    };
    run(kWarmUpFrames);
    const long long frames = static_cast<long long>(seconds) * kRate;
    openWindow();
    run(frames);
    closeWindow(frames);
    openmpt_module_destroy(module);
    return 0;
}

// FluidSynth with the settings the library plays MIDI songs with, the song repeated.
int fluidsynth(const char* path, const char* soundFont, int seconds) {
    fluid_settings_t* settings = new_fluid_settings();
    fluid_settings_setnum(settings, "synth.sample-rate", kRate);
    fluid_settings_setstr(settings, "player.timing-source", "sample");
    fluid_settings_setint(settings, "synth.lock-memory", 0);
    fluid_synth_t* synth = new_fluid_synth(settings);
    fluid_player_t* player = new_fluid_player(synth);
    if (fluid_synth_sfload(synth, soundFont, 1) == FLUID_FAILED ||
        fluid_player_add(player, path) != FLUID_OK ||
        fluid_player_set_loop(player, -1) != FLUID_OK || fluid_player_play(player) != FLUID_OK) {
        return 1;
    }
    std::vector<float> out(2 * kBlock);
    auto run = [&](long long frames) {
        for (long long done = 0; done < frames; done += kBlock) {
            fluid_synth_write_float(synth, kBlock, out.data(), 0, 2, out.data(), 1, 2);
        }
    };
    run(kWarmUpFrames);
    const long long frames = static_cast<long long>(seconds) * kRate;
    openWindow();
    run(frames);
    closeWindow(frames);
    delete_fluid_player(player);
    delete_fluid_synth(synth);
    delete_fluid_settings(settings);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::string what = argc > 1 ? argv[1] : "";
    auto number = [&](int index) { return index < argc ? std::atoi(argv[index]) : 0; };
    if (what == "write-module" && argc == 3) {
        return pelgra::gen::writeFile(argv[2], pelgra::gen::makeDemoModule()) ? 0 : 1;
    }
    if (what == "write-xm" && argc == 3) {
        return pelgra::gen::writeFile(argv[2], makeManyChannelModule(kXmChannels)) ? 0 : 1;
    }
    if (what == "write-midi" && argc == 3) {
        return pelgra::gen::writeFile(argv[2], pelgra::gen::makeDemoMidi()) ? 0 : 1;
    }
    if (what == "song" && argc == 4) {
        return song(argv[2], number(3));
    }
    if (what == "voices" && argc == 5) {
        return voices(argv[2], number(3), number(4));
    }
    if (what == "idle" && argc == 3) {
        return idle(number(2));
    }
    if (what == "vorbis-soxr" && argc == 4) {
        return vorbisSoxr(argv[2], number(3));
    }
    if (what == "sndfile" && argc == 4) {
        return sndfile(argv[2], number(3));
    }
    if (what == "openmpt" && argc == 4) {
        return openmpt(argv[2], number(3));
    }
    if (what == "fluidsynth" && argc == 5) {
        return fluidsynth(argv[2], argv[3], number(4));
    }
    std::fprintf(stderr, "instruction_cases: unknown case or arguments\n");
    return 2;
}
