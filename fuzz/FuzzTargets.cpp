#include "FuzzTargets.h"

#include "DemoSongs.h"
#include "PelgraAudio.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace pelgra::fuzz {
namespace {

constexpr int kRate = 48000;
constexpr int kVoices = 4;
// Long enough to run past the fades and into a sample's loop or a song's first notes.
constexpr int kRenderFrames = 2048;

[[noreturn]] void fail(const char* broken) {
    std::fprintf(stderr, "audio library: %s\n", broken);
    std::abort();
}

void startOnce() {
    static const bool started = [] {
        return PelgraAudio_SetOutput("manual") == 1 && FSOUND_Init(kRate, kVoices, 0) == 1;
    }();
    if (!started) {
        fail("the manual output did not start");
    }
}

std::string scratchPath(const char* suffix) {
    return (std::filesystem::temp_directory_path() /
            ("pelgra-fuzz-" + std::to_string(getpid()) + suffix))
        .string();
}

void writeBytes(const std::string& path, const std::uint8_t* data, std::size_t size) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    file.close();
    if (!file) {
        fail("a scratch file could not be written");
    }
}

// The input as a file of this process's own, rewritten for every input and removed when
// the process ends (a crash leaves it: the fuzzer keeps its own copy of such an input).
const std::string& writeInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = [] {
        std::atexit([] { std::remove(scratchPath("").c_str()); });
        return scratchPath("");
    }();
    writeBytes(path, data, size);
    return path;
}

// FluidSynth shares a SoundFont's samples among the synths using it. A MIDI song kept
// loaded for the whole process spares each MIDI input loading the SoundFont afresh,
// which would take most of the fuzzing time. Returns the songs alive besides inputs.
int keepSoundFontLoaded() {
    static const int resident = [] {
        const std::string path = scratchPath(".mid");
        const std::vector<std::uint8_t> midi = pelgra::gen::makeDemoMidi();
        writeBytes(path, midi.data(), midi.size());
        const bool loaded = FMUSIC_LoadSong(path.c_str()) != nullptr;
        std::filesystem::remove(path);
        return loaded ? 1 : 0;
    }();
    return resident;
}

void renderAndCheck() {
    static std::array<float, 2 * kRenderFrames> out;
    if (PelgraAudio_Render(out.data(), kRenderFrames) != kRenderFrames) {
        fail("render refused");
    }
    for (const float value : out) {
        if (!std::isfinite(value) || std::fabs(value) > 1.0f) {
            fail("mixed output not finite or outside [-1, 1]");
        }
    }
}

PelgraAudioStats stats() {
    PelgraAudioStats figures{};
    PelgraAudio_GetStats(&figures);
    return figures;
}

} // namespace

bool playAsSample(const std::uint8_t* data, std::size_t size) {
    startOnce();
    const std::string& path = writeInput(data, size);
    FSOUND_SAMPLE* sample =
        FSOUND_Sample_Load(FSOUND_FREE, path.c_str(), FSOUND_NORMAL | FSOUND_LOOP_NORMAL, 0, 0);
    if (sample != nullptr) {
        FSOUND_PlaySound(FSOUND_FREE, sample);
        renderAndCheck();
        FSOUND_Sample_Free(sample);
    }
    if (stats().samplesAlive != 0) {
        fail("a sample outlived its free");
    }
    return sample != nullptr;
}

bool playAsSong(const std::uint8_t* data, std::size_t size) {
    startOnce();
    const int resident = keepSoundFontLoaded();
    const std::string& path = writeInput(data, size);
    FMUSIC_MODULE* song = FMUSIC_LoadSong(path.c_str());
    if (song != nullptr) {
        FMUSIC_PlaySong(song);
        renderAndCheck();
        // A streamed song's file changes under it: cut to half, then played again from
        // the start. Modules and MIDI, read whole at load, play on unchanged.
        writeBytes(path, data, size / 2);
        FMUSIC_StopSong(song);
        FMUSIC_PlaySong(song);
        renderAndCheck();
        FMUSIC_FreeSong(song);
    }
    if (stats().songsAlive != resident) {
        fail("a song outlived its free");
    }
    return song != nullptr;
}

} // namespace pelgra::fuzz
