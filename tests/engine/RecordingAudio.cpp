#include "RecordingAudio.h"

#include "EngineState.h"

#include <cstdint>
#include <cstdio>

namespace recording {

std::vector<std::string> calls;
int initResult = 1;
bool loadsSucceed = true;

namespace {
int g_handlesIssued = 0;

constexpr std::uintptr_t kSampleBase = 0x10000;
constexpr std::uintptr_t kSongBase = 0x20000;

std::string name(const void* handle) {
    if (handle == nullptr) {
        return "null";
    }
    const auto value = reinterpret_cast<std::uintptr_t>(handle);
    const bool isSong = value >= kSongBase;
    return (isSong ? "song#" : "sample#") +
           std::to_string(value - (isSong ? kSongBase : kSampleBase));
}

std::string hex(unsigned int value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", value);
    return text;
}

void record(std::string call) {
    calls.push_back(std::move(call));
}
} // namespace

void reset() {
    calls.clear();
    initResult = 1;
    loadsSucceed = true;
    g_handlesIssued = 0;
    pelgra::engine::g_engineInitialised = false;
}

FSOUND_SAMPLE* sampleHandle(int n) {
    return reinterpret_cast<FSOUND_SAMPLE*>(kSampleBase + static_cast<std::uintptr_t>(n));
}

FMUSIC_MODULE* songHandle(int n) {
    return reinterpret_cast<FMUSIC_MODULE*>(kSongBase + static_cast<std::uintptr_t>(n));
}

} // namespace recording

using recording::record;

extern "C" {

int FSOUND_Init(int mixRate, int maxSoftwareChannels, unsigned int flags) {
    record("FSOUND_Init(" + std::to_string(mixRate) + ", " + std::to_string(maxSoftwareChannels) +
           ", " + std::to_string(flags) + ")");
    return recording::initResult;
}

void FSOUND_Close(void) {
    record("FSOUND_Close()");
}

int FSOUND_SetSFXMasterVolume(int volume) {
    record("FSOUND_SetSFXMasterVolume(" + std::to_string(volume) + ")");
    return 1;
}

FSOUND_SAMPLE* FSOUND_Sample_Load(int index, const char* name, unsigned int mode, int offset,
                                  int length) {
    record("FSOUND_Sample_Load(" + std::to_string(index) + ", " + (name ? name : "(null)") + ", " +
           recording::hex(mode) + ", " + std::to_string(offset) + ", " + std::to_string(length) +
           ")");
    return recording::loadsSucceed ? recording::sampleHandle(++recording::g_handlesIssued)
                                   : nullptr;
}

int FSOUND_Sample_Free(FSOUND_SAMPLE* sample) {
    record("FSOUND_Sample_Free(" + recording::name(sample) + ")");
    return 1;
}

int FSOUND_PlaySound(int channel, FSOUND_SAMPLE* sample) {
    record("FSOUND_PlaySound(" + std::to_string(channel) + ", " + recording::name(sample) + ")");
    return 0;
}

int FSOUND_SetPaused(int channel, int paused) {
    record("FSOUND_SetPaused(" + std::to_string(channel) + ", " + std::to_string(paused) + ")");
    return 1;
}

int FSOUND_StopSound(int channel) {
    record("FSOUND_StopSound(" + std::to_string(channel) + ")");
    return 1;
}

FMUSIC_MODULE* FMUSIC_LoadSong(const char* name) {
    record(std::string("FMUSIC_LoadSong(") + (name ? name : "(null)") + ")");
    return recording::loadsSucceed ? recording::songHandle(++recording::g_handlesIssued) : nullptr;
}

int FMUSIC_FreeSong(FMUSIC_MODULE* song) {
    record("FMUSIC_FreeSong(" + recording::name(song) + ")");
    return 1;
}

int FMUSIC_PlaySong(FMUSIC_MODULE* song) {
    record("FMUSIC_PlaySong(" + recording::name(song) + ")");
    return 1;
}

int FMUSIC_StopSong(FMUSIC_MODULE* song) {
    record("FMUSIC_StopSong(" + recording::name(song) + ")");
    return 1;
}

int FMUSIC_SetPaused(FMUSIC_MODULE* song, int paused) {
    record("FMUSIC_SetPaused(" + recording::name(song) + ", " + std::to_string(paused) + ")");
    return 1;
}

int FMUSIC_StopAllSongs(void) {
    record("FMUSIC_StopAllSongs()");
    return 1;
}
}
