// The engine DLL's exact calls into the audio library, made across the DLL boundary into
// the recording stand-in, through the classes as an application built with Microsoft's
// compiler uses them.
#include "Checks.h"
#include "PelgraSoundEngine.h"
#include "RecordingAudio.h"

#define CHECK_CALLS(expected)                                                                      \
    do {                                                                                           \
        CHECK_TEXT(RecordingAudio_Calls(), expected);                                              \
        RecordingAudio_ClearCalls();                                                               \
    } while (false)

namespace {

char kBoom[] = "boom.wav";
char kOther[] = "other.ogg";
char kTune[] = "tune.xm";

// Each group starts with the engine stopped and nothing recorded.
void stopTheEngineAndForgetItsCalls() {
    ShutdownSoundFXEngine();
    RecordingAudio_Reset();
}

void startStopAndRestart() {
    CHECK(InitializeSoundFXEngine(44100, 32));
    CHECK_CALLS("FSOUND_Init(44100, 32, 0)\nFSOUND_SetSFXMasterVolume(128)\n");
    CHECK(InitializeSoundFXEngine(8000, 1)); // running: no call, whatever the arguments
    CHECK_CALLS("");
    ShutdownSoundFXEngine();
    ShutdownSoundFXEngine();
    CHECK_CALLS("FSOUND_Close()\n");
}

void failedStartMayBeRetried() {
    RecordingAudio_SetAnswers(0, 1);
    CHECK(!InitializeSoundFXEngine(48000, 16));
    ShutdownSoundFXEngine(); // not started: no call
    CHECK_CALLS("FSOUND_Init(48000, 16, 0)\n");
    RecordingAudio_SetAnswers(1, 1);
    CHECK(InitializeSoundFXEngine(48000, 16));
    CHECK_CALLS("FSOUND_Init(48000, 16, 0)\nFSOUND_SetSFXMasterVolume(128)\n");
}

void masterVolumeIsWidenedWithoutSign() {
    SetMasterVolume(255);
    SetMasterVolume(0);
    SetMasterVolume(static_cast<unsigned char>(-1));
    CHECK_CALLS("FSOUND_SetSFXMasterVolume(255)\nFSOUND_SetSFXMasterVolume(0)\n"
                "FSOUND_SetSFXMasterVolume(255)\n");
}

void soundEffectLoadsAndFrees() {
    {
        CSoundFX once;
        CSoundFX looped;
        CHECK(once.LoadFromFile(kBoom, false));
        CHECK(looped.LoadFromFile(kBoom, true));
        RecordingAudio_SetAnswers(1, 0);
        CHECK(once.LoadFromFile(kOther, true)); // holds a sample: no call
        CHECK_CALLS("FSOUND_Sample_Load(-1, boom.wav, 0x130, 0, 0)\n"
                    "FSOUND_Sample_Load(-1, boom.wav, 0x132, 0, 0)\n");
        once.FreeSound();
        once.FreeSound();
        CHECK(!once.LoadFromFile(kOther, true));
        CHECK_CALLS("FSOUND_StopSound(-3)\nFSOUND_Sample_Free(sample#1)\n"
                    "FSOUND_Sample_Load(-1, other.ogg, 0x132, 0, 0)\n");
    }
    // The empty object stops once; the loaded one stops, stops again and frees.
    CHECK_CALLS("FSOUND_StopSound(-3)\nFSOUND_StopSound(-3)\nFSOUND_Sample_Free(sample#2)\n"
                "FSOUND_StopSound(-3)\n");
}

void soundEffectPlaysPausesAndStops() {
    CSoundFX empty;
    empty.Play();
    CSoundFX fx;
    fx.LoadFromFile(kBoom, false);
    fx.Play();
    fx.Play();
    fx.Pause(true);
    fx.Pause(false);
    fx.Stop();
    CHECK_CALLS("FSOUND_PlaySound(-1, null)\nFSOUND_Sample_Load(-1, boom.wav, 0x130, 0, 0)\n"
                "FSOUND_PlaySound(-1, sample#1)\nFSOUND_PlaySound(-1, sample#1)\n"
                "FSOUND_SetPaused(-3, 1)\nFSOUND_SetPaused(-3, 0)\nFSOUND_StopSound(-3)\n");
}

void soundEffectCopiesShareTheSample() {
    CSoundFX original;
    original.LoadFromFile(kBoom, false);
    CSoundFX copy;
    copy = original;
    copy.Play();
    CHECK(copy.LoadFromFile(kOther, false)); // already holds the shared sample
    copy = CSoundFX();                       // the temporary's destructor stops all
    copy.FreeSound();                        // empty now: no call
    CHECK_CALLS("FSOUND_Sample_Load(-1, boom.wav, 0x130, 0, 0)\nFSOUND_PlaySound(-1, sample#1)\n"
                "FSOUND_StopSound(-3)\n");
}

void songCalls() {
    {
        CSong empty;
        empty.Play();
        empty.Pause(true);
        empty.Stop();
        CSong song;
        CHECK(song.LoadFromFile(kTune));
        CHECK(song.LoadFromFile(kOther)); // holds a song: no call
        song.Play();
        song.Pause(true);
        song.Pause(false);
        song.Stop();
        CHECK_CALLS("FMUSIC_PlaySong(null)\nFMUSIC_SetPaused(null, 1)\nFMUSIC_StopSong(null)\n"
                    "FMUSIC_LoadSong(tune.xm)\nFMUSIC_PlaySong(song#1)\n"
                    "FMUSIC_SetPaused(song#1, 1)\nFMUSIC_SetPaused(song#1, 0)\n"
                    "FMUSIC_StopSong(song#1)\n");
        CSong copy;
        copy = song;
        copy = CSong();
        CHECK_CALLS("FMUSIC_StopAllSongs()\n");
    }
    CHECK_CALLS("FMUSIC_StopAllSongs()\nFMUSIC_StopAllSongs()\nFMUSIC_FreeSong(song#1)\n"
                "FMUSIC_StopAllSongs()\n");
    CSong song;
    RecordingAudio_SetAnswers(1, 0);
    CHECK(!song.LoadFromFile(kTune));
    song.FreeSong();
    CHECK_CALLS("FMUSIC_LoadSong(tune.xm)\n");
}

// Objects made with new in this program, constructed and destroyed in the engine DLL.
void objectsOnTheHeap() {
    auto* fx = new CSoundFX;
    auto* song = new CSong;
    CHECK(fx->LoadFromFile(kBoom, true));
    CHECK(song->LoadFromFile(kTune));
    delete fx;
    delete song;
    CHECK_CALLS("FSOUND_Sample_Load(-1, boom.wav, 0x132, 0, 0)\nFMUSIC_LoadSong(tune.xm)\n"
                "FSOUND_StopSound(-3)\nFSOUND_StopSound(-3)\nFSOUND_Sample_Free(sample#1)\n"
                "FMUSIC_StopAllSongs()\nFMUSIC_FreeSong(song#2)\n");
}

const checks::Group kGroups[] = {
    {"engine: start, stop and restart", startStopAndRestart},
    {"engine: a failed start may be retried", failedStartMayBeRetried},
    {"engine: master volume", masterVolumeIsWidenedWithoutSign},
    {"CSoundFX: loads and frees", soundEffectLoadsAndFrees},
    {"CSoundFX: play, pause and stop", soundEffectPlaysPausesAndStops},
    {"CSoundFX: copies share the sample", soundEffectCopiesShareTheSample},
    {"CSong: every call", songCalls},
    {"CSoundFX and CSong on the heap", objectsOnTheHeap},
};

} // namespace

int main() {
    return checks::runGroups(kGroups, sizeof kGroups / sizeof kGroups[0],
                             stopTheEngineAndForgetItsCalls);
}
