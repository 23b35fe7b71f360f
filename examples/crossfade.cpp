// Crossfading between two songs, as a game does when the player walks from one area's
// music into the next: the new song starts silent and fades in while the old one fades
// out and stops, both along equal-power curves, so the music neither dips nor jumps.
//
//   crossfade [--offline] FIRST SECOND
//
// Plays FIRST, crossfades to SECOND over two seconds, plays it, and crossfades back.
// Songs are any files FMUSIC_LoadSong takes (modules, MIDI files, recordings). This
// uses the audio library's C interface directly: song volumes are its own extension.
// With --offline the program mixes through the manual output as fast as it goes and
// prints, every 100 ms, the level of the mix and how many songs play.
#include "PelgraAudio.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

namespace {

constexpr int kMixRate = 48000;
constexpr int kStepMillis = 100;
constexpr int kFadeMillis = 2000;

// Lets `millis` pass, in steps; offline, mixes them and prints each step's level.
void pass(bool offline, int millis) {
    static int elapsed = 0;
    for (int step = 0; step < millis / kStepMillis; ++step, elapsed += kStepMillis) {
        if (!offline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(kStepMillis));
            continue;
        }
        constexpr int kFrames = kMixRate * kStepMillis / 1000;
        std::vector<float> mix(2 * kFrames);
        PelgraAudio_Render(mix.data(), kFrames);
        double power = 0.0;
        for (float value : mix) {
            power += static_cast<double>(value) * value;
        }
        PelgraAudioStats stats{};
        PelgraAudio_GetStats(&stats);
        std::printf("%6.1f s  level %7.2f dB  songs %d\n", (elapsed + kStepMillis) / 1000.0,
                    10.0 * std::log10(power / static_cast<double>(mix.size()) + 1e-20),
                    stats.songsPlaying);
    }
}

// The song `from` gives way to `to`: `to` starts silent and fades in, `from` fades out
// and stops at the end (and is heard at its own volume again when next played).
void crossfade(FMUSIC_MODULE* from, FMUSIC_MODULE* to) {
    PelgraAudio_SetSongVolume(to, 0);
    FMUSIC_PlaySong(to);
    PelgraAudio_FadeSong(to, PELGRA_AUDIO_MAX_VOLUME, kFadeMillis);
    PelgraAudio_FadeSongOut(from, kFadeMillis);
}

} // namespace

int main(int argc, char** argv) {
    const bool offline = argc > 1 && std::strcmp(argv[1], "--offline") == 0;
    const int first = offline ? 2 : 1;
    if (argc != first + 2) {
        std::fprintf(stderr, "usage: crossfade [--offline] FIRST SECOND\n");
        return 2;
    }
    if (offline) {
        PelgraAudio_SetOutput("manual");
    }
    if (!FSOUND_Init(kMixRate, 32, 0)) {
        std::fprintf(stderr, "crossfade: the audio library did not start: %s\n",
                     PelgraAudio_GetErrorString(PelgraAudio_GetError()));
        return 1;
    }
    FMUSIC_MODULE* songs[2] = {FMUSIC_LoadSong(argv[first]), FMUSIC_LoadSong(argv[first + 1])};
    int status = 0;
    for (int i = 0; i < 2; ++i) {
        if (songs[i] == nullptr) {
            std::fprintf(stderr, "crossfade: cannot load %s: %s\n", argv[first + i],
                         PelgraAudio_GetErrorString(PelgraAudio_GetError()));
            status = 1;
        }
    }
    if (status == 0) {
        FMUSIC_PlaySong(songs[0]);
        pass(offline, 3000);
        crossfade(songs[0], songs[1]);
        pass(offline, kFadeMillis + 1000);
        crossfade(songs[1], songs[0]);
        pass(offline, kFadeMillis + 1000);
    }
    FSOUND_Close(); // frees both songs
    return status;
}
