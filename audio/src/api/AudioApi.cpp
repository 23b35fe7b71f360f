// The C entry points: each turns the C arguments into the library object's terms (handles
// as numbers, results as 0/1) and calls it through the boundary helper, so that no
// exception leaves the library and a failure keeps its reason for PelgraAudio_GetError. The
// library object checks every argument.
#include "PelgraAudio.h"

#include "api/AudioSystem.h"
#include "api/Boundary.h"
#include "api/ErrorCodes.h"
#include "file/InputFile.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

using pelgra::audio::AudioSystem;
using pelgra::audio::Failure;
using pelgra::audio::guarded;
using pelgra::audio::noteFailure;

namespace {

AudioSystem& audio() {
    return AudioSystem::instance();
}

std::uintptr_t handleValue(const void* handle) {
    return reinterpret_cast<std::uintptr_t>(handle);
}

FSOUND_SAMPLE* sampleHandle(std::uintptr_t value) {
    return reinterpret_cast<FSOUND_SAMPLE*>(value); // an opaque number, never dereferenced
}

// A success of the library object as the C interface's result: 1, or 0 for a failure.
int asCResult(bool succeeded) {
    return succeeded ? 1 : 0;
}

} // namespace

extern "C" {

int FSOUND_Init(int mixRate, int maxSoftwareChannels, unsigned int /*flags*/) {
    return guarded(0, Failure::Internal,
                   [&] { return asCResult(audio().init(mixRate, maxSoftwareChannels)); });
}

void FSOUND_Close(void) {
    guarded([] { audio().close(); });
}

int FSOUND_SetSFXMasterVolume(int volume) {
    return guarded(0, Failure::Internal,
                   [&] { return asCResult(audio().setMasterVolume(volume)); });
}

FSOUND_SAMPLE* FSOUND_Sample_Load(int index, const char* name, unsigned int mode, int offset,
                                  int length) {
    return guarded<FSOUND_SAMPLE*>(nullptr, Failure::FileDamaged, [&]() -> FSOUND_SAMPLE* {
        if (index != FSOUND_FREE) {
            noteFailure(Failure::InvalidArgument);
            return nullptr;
        }
        return sampleHandle(audio().loadSample(
            [name] { return pelgra::audio::InputFile::openForCall(name); }, mode, offset, length));
    });
}

int FSOUND_Sample_Free(FSOUND_SAMPLE* sample) {
    return guarded(0, Failure::InvalidHandle,
                   [&] { return asCResult(audio().freeSample(handleValue(sample))); });
}

int FSOUND_PlaySound(int channel, FSOUND_SAMPLE* sample) {
    return guarded(-1, Failure::InvalidHandle,
                   [&] { return audio().play(channel, handleValue(sample)); });
}

int FSOUND_SetPaused(int channel, int paused) {
    return guarded(0, Failure::InvalidArgument,
                   [&] { return asCResult(audio().setPaused(channel, paused != 0)); });
}

int FSOUND_StopSound(int channel) {
    return guarded(0, Failure::InvalidArgument, [&] { return asCResult(audio().stop(channel)); });
}

int PelgraAudio_SetVoiceVolume(int voice, int volume) {
    return guarded(0, Failure::InvalidArgument,
                   [&] { return asCResult(audio().setVoiceVolume(voice, volume)); });
}

int PelgraAudio_SetVoicePan(int voice, int pan) {
    return guarded(0, Failure::InvalidArgument,
                   [&] { return asCResult(audio().setVoicePan(voice, pan)); });
}

int PelgraAudio_SetVoicePitch(int voice, float ratio) {
    return guarded(0, Failure::InvalidArgument,
                   [&] { return asCResult(audio().setVoicePitch(voice, ratio)); });
}

FMUSIC_MODULE* FMUSIC_LoadSong(const char* name) {
    return guarded<FMUSIC_MODULE*>(nullptr, Failure::FileDamaged, [&] {
        // An opaque number, never dereferenced.
        return reinterpret_cast<FMUSIC_MODULE*>(
            audio().loadSong([name] { return pelgra::audio::InputFile::openForCall(name); }));
    });
}

int FMUSIC_FreeSong(FMUSIC_MODULE* song) {
    return guarded(0, Failure::InvalidHandle,
                   [&] { return asCResult(audio().freeSong(handleValue(song))); });
}

int FMUSIC_PlaySong(FMUSIC_MODULE* song) {
    return guarded(0, Failure::InvalidHandle,
                   [&] { return asCResult(audio().playSong(handleValue(song))); });
}

int FMUSIC_StopSong(FMUSIC_MODULE* song) {
    return guarded(0, Failure::InvalidHandle,
                   [&] { return asCResult(audio().stopSong(handleValue(song))); });
}

int FMUSIC_SetPaused(FMUSIC_MODULE* song, int paused) {
    return guarded(0, Failure::InvalidHandle, [&] {
        return asCResult(audio().setSongPaused(handleValue(song), paused != 0));
    });
}

int FMUSIC_StopAllSongs(void) {
    return guarded(0, Failure::Internal, [] { return asCResult(audio().stopAllSongs()); });
}

int PelgraAudio_SetSongVolume(FMUSIC_MODULE* song, int volume) {
    return guarded(0, Failure::InvalidHandle,
                   [&] { return asCResult(audio().setSongVolume(handleValue(song), volume)); });
}

int PelgraAudio_FadeSong(FMUSIC_MODULE* song, int volume, int milliseconds) {
    return guarded(0, Failure::InvalidHandle, [&] {
        return asCResult(audio().fadeSong(handleValue(song), volume, milliseconds, false));
    });
}

int PelgraAudio_FadeSongOut(FMUSIC_MODULE* song, int milliseconds) {
    return guarded(0, Failure::InvalidHandle, [&] {
        return asCResult(audio().fadeSong(handleValue(song), 0, milliseconds, true));
    });
}

int PelgraAudio_GetError(void) {
    return pelgra::audio::publicCode(pelgra::audio::lastError());
}

int PelgraAudio_SetMusicVolume(int volume) {
    return guarded(0, Failure::Internal, [&] { return asCResult(audio().setMusicVolume(volume)); });
}

const char* PelgraAudio_GetErrorString(int code) {
    return pelgra::audio::errorText(code);
}

int PelgraAudio_SetOutput(const char* name) {
    return guarded(0, Failure::Internal, [&] { return asCResult(audio().setOutput(name)); });
}

int PelgraAudio_Render(float* interleavedStereo, int frames) {
    // The hot call, and render() throws nothing: no guard, and success costs only the
    // clearing of the noted reason (a render refused while another runs notes its own).
    pelgra::audio::beginCall();
    const int written = audio().render(interleavedStereo, frames);
    if (written == 0 && frames != 0) {
        if (interleavedStereo == nullptr || frames < 0) {
            noteFailure(Failure::InvalidArgument);
        }
        pelgra::audio::endFailedCall(Failure::NotRunning);
    }
    return written;
}

int PelgraAudio_GetStats(PelgraAudioStats* stats) {
    return guarded(0, Failure::InvalidArgument, [&] {
        if (stats == nullptr) {
            return 0;
        }
        *stats = audio().stats();
        return 1;
    });
}

int PelgraAudio_GetSongInfo(FMUSIC_MODULE* song, PelgraAudioSongInfo* info) {
    return guarded(0, Failure::InvalidHandle, [&] {
        if (info == nullptr) {
            noteFailure(Failure::InvalidArgument);
            return 0;
        }
        *info = PelgraAudioSongInfo{};
        return asCResult(audio().songInfo(handleValue(song), *info));
    });
}

int PelgraAudio_GetSongPosition(FMUSIC_MODULE* song) {
    return guarded(-1, Failure::InvalidHandle,
                   [&] { return audio().songPosition(handleValue(song)); });
}

int PelgraAudio_GetSampleInfo(FSOUND_SAMPLE* sample, PelgraAudioSampleInfo* info) {
    return guarded(0, Failure::InvalidHandle, [&] {
        if (info == nullptr) {
            noteFailure(Failure::InvalidArgument);
            return 0;
        }
        *info = PelgraAudioSampleInfo{};
        return asCResult(audio().sampleInfo(handleValue(sample), *info));
    });
}

int PelgraAudio_GetOutputState(PelgraAudioOutputState* state) {
    return guarded(0, Failure::Internal, [&] {
        if (state == nullptr) {
            noteFailure(Failure::InvalidArgument);
            return 0;
        }
        *state = PelgraAudioOutputState{};
        pelgra::audio::OutputState current;
        if (!audio().outputState(current)) {
            return 0;
        }
        state->connected = current.connected ? 1 : 0;
        state->losses = current.losses;
        state->reopens = current.reopens;
        // Cut to the field, at a character's start so that the name stays UTF-8.
        std::size_t length = std::min(current.device.size(), sizeof state->device - 1);
        while (length > 0 && length < current.device.size() &&
               (static_cast<unsigned char>(current.device[length]) & 0xC0U) == 0x80U) {
            --length;
        }
        std::memcpy(state->device, current.device.data(), length);
        return 1;
    });
}

void PelgraAudio_ResetStats(void) {
    guarded([] { audio().resetStats(); });
}

int PelgraAudio_SetCpuTiming(int on) {
    return guarded(0, Failure::Internal, [&] {
        audio().setCpuTiming(on != 0);
        return 1;
    });
}

int PelgraAudio_SetLimiter(int enabled) {
    return guarded(0, Failure::Internal,
                   [&] { return asCResult(audio().setLimiter(enabled != 0)); });
}
}
