// An application built for Microsoft's ABI playing through the whole library: the engine
// DLL over the MinGW-built audio DLL, mixed by the manual output. The sounds are written
// here: a 1 kHz tone as a 44.1 kHz WAV file, and a module whose one note loops a
// single-cycle wave. Each must sound at its pitch while it plays and fall silent when
// stopped or paused. The waves are triangles: mingw-w64's import library of the Universal
// CRT leaves its maths functions to mingw-w64's own library, which is GCC's.
#include "Checks.h"
#include "PelgraAudio.h"
#include "PelgraSoundEngine.h"

#include <stdio.h>
#include <string.h>

namespace {

constexpr int kMixRate = 48000;
constexpr int kToneRate = 44100;
constexpr double kToneHz = 1000.0;
// Half a second of output, stereo.
constexpr int kFrames = kMixRate / 2;
float g_mix[2 * kFrames];

char kToneFile[] = "msvc-playback-tone.wav";
char kTuneFile[] = "msvc-playback-tune.mod";

// A triangle wave between -1 and 1, rising through 0 at the start of each cycle.
double triangle(double cycles) {
    const double phase = cycles - static_cast<double>(static_cast<long long>(cycles));
    return phase < 0.25 ? 4.0 * phase : phase < 0.75 ? 2.0 - 4.0 * phase : 4.0 * phase - 4.0;
}

float magnitude(float value) {
    return value < 0.0f ? -value : value;
}

void putLittleEndian(FILE* file, unsigned value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        fputc(static_cast<int>((value >> (8 * i)) & 0xFFU), file);
    }
}

void putBigEndian16(unsigned char* at, unsigned value) {
    at[0] = static_cast<unsigned char>(value >> 8);
    at[1] = static_cast<unsigned char>(value & 0xFFU);
}

// Half a second of the tone at half of full scale, 16-bit mono.
bool writeTone() {
    FILE* file = fopen(kToneFile, "wb");
    if (file == nullptr) {
        return false;
    }
    const unsigned frames = kToneRate / 2;
    const unsigned dataBytes = frames * 2;
    fputs("RIFF", file);
    putLittleEndian(file, 36 + dataBytes, 4);
    fputs("WAVEfmt ", file);
    putLittleEndian(file, 16, 4);        // format chunk size
    putLittleEndian(file, 1, 2);         // PCM
    putLittleEndian(file, 1, 2);         // mono
    putLittleEndian(file, kToneRate, 4); // frames per second
    putLittleEndian(file, kToneRate * 2, 4);
    putLittleEndian(file, 2, 2);  // bytes per frame
    putLittleEndian(file, 16, 2); // bits per sample
    fputs("data", file);
    putLittleEndian(file, dataBytes, 4);
    for (unsigned i = 0; i < frames; ++i) {
        const double value = 0.5 * triangle(kToneHz * i / kToneRate);
        putLittleEndian(file, static_cast<unsigned>(static_cast<int>(value * 32767.0)) & 0xFFFFU,
                        2);
    }
    return fclose(file) == 0;
}

// A four-channel ProTracker module: one pattern whose first row plays sample 1 at period
// 428 (C-2) on the first channel. The sample is one looped cycle of 32 bytes, so the note
// sounds at the Amiga's 7093789.2 / (2 * 428) Hz divided by 32: about 259 Hz.
constexpr int kModuleCycle = 32;
constexpr double kModuleHz = 7093789.2 / (2.0 * 428.0) / kModuleCycle;

bool writeModule() {
    static unsigned char module[1084 + 1024 + kModuleCycle];
    memset(module, 0, sizeof module);
    memcpy(module, "msvc playback", 13);
    unsigned char* sample = module + 20; // the first of 31 sample headers of 30 bytes
    memcpy(sample, "cycle", 5);
    putBigEndian16(sample + 22, kModuleCycle / 2); // length in words
    sample[25] = 64;                               // volume
    putBigEndian16(sample + 28, kModuleCycle / 2); // the loop: all of it
    unsigned char* song = module + 20 + 31 * 30;
    song[0] = 1;   // one position, pattern 0
    song[1] = 127; // no restart position
    memcpy(song + 130, "M.K.", 4);
    unsigned char* firstCell = module + 1084;
    firstCell[0] = 428 >> 8; // sample number's high bits 0, period's high bits
    firstCell[1] = 428 & 0xFF;
    firstCell[2] = 1 << 4; // sample 1, no effect
    signed char* wave = reinterpret_cast<signed char*>(module + 1084 + 1024);
    for (int i = 0; i < kModuleCycle; ++i) {
        wave[i] = static_cast<signed char>(100.0 * triangle(static_cast<double>(i) / kModuleCycle));
    }
    FILE* file = fopen(kTuneFile, "wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = fwrite(module, sizeof module, 1, file) == 1;
    return fclose(file) == 0 && written;
}

struct Measure {
    float peak;
    // The left channel's rising zero crossings per second: the pitch of a plain tone.
    double pitch;
};

Measure renderHalfASecond() {
    Measure measure{0.0f, 0.0};
    if (PelgraAudio_Render(g_mix, kFrames) != kFrames) {
        return measure;
    }
    int rising = 0;
    for (int i = 0; i < 2 * kFrames; ++i) {
        measure.peak = magnitude(g_mix[i]) > measure.peak ? magnitude(g_mix[i]) : measure.peak;
        if (i >= 2 && (i % 2) == 0 && g_mix[i - 2] < 0.0f && g_mix[i] >= 0.0f) {
            ++rising;
        }
    }
    measure.pitch = rising * 2.0;
    return measure;
}

bool near(double value, double target) {
    const double difference = value - target;
    return difference <= 0.03 * target && -difference <= 0.03 * target;
}

void startTheManualOutput() {
    CHECK(PelgraAudio_SetOutput("manual") == 1);
    CHECK(InitializeSoundFXEngine(kMixRate, 16));
    CHECK(renderHalfASecond().peak == 0.0f);
}

void effectSoundsAtItsPitchUntilStopped() {
    CHECK(writeTone());
    CSoundFX tone;
    CHECK(tone.LoadFromFile(kToneFile, true));
    tone.Play();
    const Measure playing = renderHalfASecond();
    printf("  effect: peak %.3f, pitch %.1f Hz\n", playing.peak, playing.pitch);
    CHECK(playing.peak > 0.05f && playing.peak <= 1.0f);
    CHECK(near(playing.pitch, kToneHz));
    tone.Stop();
    renderHalfASecond(); // the stop's fade
    CHECK(renderHalfASecond().peak == 0.0f);
    tone.FreeSound();
}

void songSoundsAtItsPitchUntilPaused() {
    CHECK(writeModule());
    CSong tune;
    CHECK(tune.LoadFromFile(kTuneFile));
    tune.Play();
    renderHalfASecond(); // the song's start
    const Measure playing = renderHalfASecond();
    printf("  song: peak %.3f, pitch %.1f Hz\n", playing.peak, playing.pitch);
    CHECK(playing.peak > 0.05f && playing.peak <= 1.0f);
    CHECK(near(playing.pitch, kModuleHz));
    tune.Pause(true);
    renderHalfASecond(); // the pause's fade
    CHECK(renderHalfASecond().peak == 0.0f);
    tune.FreeSong();
}

void shutDown() {
    ShutdownSoundFXEngine();
    CHECK(PelgraAudio_Render(g_mix, kFrames) == 0);
    remove(kToneFile);
    remove(kTuneFile);
}

const checks::Group kGroups[] = {
    {"start with the manual output, silent", startTheManualOutput},
    {"CSoundFX: a WAV tone at its pitch, silent after Stop", effectSoundsAtItsPitchUntilStopped},
    {"CSong: a module's note at its pitch, silent when paused", songSoundsAtItsPitchUntilPaused},
    {"shut down", shutDown},
};

} // namespace

int main() {
    return checks::runGroups(kGroups, sizeof kGroups / sizeof kGroups[0], nullptr);
}
