// The shape of a game's sound code: start the engine, load effects and a song, trigger
// effects from a frame loop, pause everything while the window has no focus, and shut
// down in the right order.
//
//   game_loop [--offline] SHOT.wav EXPLOSION.wav MUSIC.mod
//
// With --offline the game mixes its own audio, one frame's worth per tick, through the
// audio library's manual output (as a replay recorder would) and runs as fast as the
// machine allows; it prints the peak level it heard.
#include "PelgraAudio.h"
#include "PelgraSoundEngine.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

namespace {

constexpr int kMixRate = 48000;
constexpr int kVoices = 32;
constexpr int kFramesPerSecond = 60;
constexpr int kAudioFramesPerTick = kMixRate / kFramesPerSecond;
constexpr int kTicks = 3 * kFramesPerSecond;

// What the game world asks of the sound code on one tick.
struct TickEvents {
    bool playerFired;
    bool enemyExploded;
    bool focusLost;
    bool focusRegained;
};

// A scripted stand-in for game logic: fire twice a second, an explosion every second,
// and the window loses focus for a quarter of a second in the middle.
TickEvents eventsAt(int tick) {
    const int focusLossTick = kTicks / 2;
    return {tick % (kFramesPerSecond / 2) == 0, tick % kFramesPerSecond == kFramesPerSecond / 3,
            tick == focusLossTick, tick == focusLossTick + kFramesPerSecond / 4};
}

class SoundBoard {
public:
    bool load(char* shotFile, char* explosionFile, char* musicFile) {
        return m_shot.LoadFromFile(shotFile, false) &&
               m_explosion.LoadFromFile(explosionFile, false) && m_music.LoadFromFile(musicFile);
    }

    void startMusic() { m_music.Play(); }

    void update(const TickEvents& events) {
        if (events.playerFired) {
            m_shot.Play();
        }
        if (events.enemyExploded) {
            m_explosion.Play();
        }
        if (events.focusLost) {
            m_shot.Pause(true); // every effect voice
            m_music.Pause(true);
        }
        if (events.focusRegained) {
            m_shot.Pause(false);
            m_music.Pause(false);
        }
    }

    // Sounds go before the engine does.
    void release() {
        m_music.FreeSong();
        m_shot.FreeSound();
        m_explosion.FreeSound();
    }

private:
    CSoundFX m_shot;
    CSoundFX m_explosion;
    CSong m_music;
};

float peakOf(const std::vector<float>& block) {
    float peak = 0.0f;
    for (const float value : block) {
        peak = std::max(peak, std::fabs(value));
    }
    return peak;
}

} // namespace

int main(int argc, char** argv) {
    const bool offline = argc > 1 && std::strcmp(argv[1], "--offline") == 0;
    const int first = offline ? 2 : 1;
    if (argc - first != 3) {
        std::fprintf(stderr, "usage: game_loop [--offline] SHOT EXPLOSION MUSIC\n");
        return 2;
    }
    if (offline) {
        PelgraAudio_SetOutput("manual");
    }
    if (!InitializeSoundFXEngine(kMixRate, kVoices)) {
        std::fprintf(stderr, "game_loop: the audio device could not be opened\n");
        return 1;
    }

    int status = 0;
    {
        SoundBoard sounds;
        if (sounds.load(argv[first], argv[first + 1], argv[first + 2])) {
            sounds.startMusic();
            std::vector<float> block(2 * kAudioFramesPerTick);
            float peak = 0.0f;
            for (int tick = 0; tick < kTicks; ++tick) {
                sounds.update(eventsAt(tick));
                if (offline) {
                    PelgraAudio_Render(block.data(), kAudioFramesPerTick);
                    peak = std::max(peak, peakOf(block));
                } else {
                    std::this_thread::sleep_for(std::chrono::milliseconds(1000 / kFramesPerSecond));
                }
            }
            if (offline) {
                std::printf("game_loop: %d ticks, peak %.3f\n", kTicks, static_cast<double>(peak));
            }
        } else {
            std::fprintf(stderr, "game_loop: could not load the sounds\n");
            status = 1;
        }
        sounds.release();
    }
    ShutdownSoundFXEngine();
    return status;
}
