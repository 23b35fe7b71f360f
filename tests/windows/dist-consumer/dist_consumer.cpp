// A Windows program built against the shipped folder alone: it plays an Ogg Vorbis
// effect and a tracker module through the manual output and checks what it hears.
//
//   dist_consumer EFFECT.ogg TONE-HZ SONG.mod
#include "PelgraAudio.h"
#include "PelgraSoundEngine.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 48000;

std::vector<float> render(int frames) {
    std::vector<float> out(static_cast<std::size_t>(2 * frames));
    if (PelgraAudio_Render(out.data(), frames) != frames) {
        out.clear();
    }
    return out;
}

float peak(const std::vector<float>& stereo) {
    float largest = 0.0f;
    for (float value : stereo) {
        largest = std::fmax(largest, std::fabs(value));
    }
    return largest;
}

// The left channel's frequency, from its rising zero crossings.
double frequency(const std::vector<float>& stereo) {
    long first = -1;
    long last = -1;
    int crossings = 0;
    for (std::size_t frame = 1; 2 * frame < stereo.size(); ++frame) {
        if (stereo[2 * (frame - 1)] < 0.0f && stereo[2 * frame] >= 0.0f) {
            first = first < 0 ? static_cast<long>(frame) : first;
            last = static_cast<long>(frame);
            ++crossings;
        }
    }
    return crossings < 2 ? 0.0 : (crossings - 1) * static_cast<double>(kRate) / (last - first);
}

bool check(bool good, const std::string& what) {
    std::printf("dist_consumer: %s: %s\n", what.c_str(), good ? "ok" : "WRONG");
    return good;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::puts("usage: dist_consumer EFFECT.ogg TONE-HZ SONG.mod");
        return 2;
    }
    const double tone = std::strtod(argv[2], nullptr);
    PelgraAudio_SetOutput("manual");
    if (!InitializeSoundFXEngine(kRate, 8)) {
        std::puts("dist_consumer: the engine did not start");
        return 1;
    }
    bool good = true;
    {
        CSoundFX effect;
        good &= check(effect.LoadFromFile(argv[1], false), "loads the Ogg Vorbis effect");
        effect.Play();
        const std::vector<float> heard = render(kRate / 2);
        const double hz = frequency(heard);
        std::printf("dist_consumer: effect peak %.3f, %.1f Hz\n", peak(heard), hz);
        good &= check(peak(heard) > 0.05f && std::fabs(hz - tone) < 2.0, "the effect sounds");
        effect.FreeSound();
    }
    {
        CSong song;
        good &= check(song.LoadFromFile(argv[3]), "loads the module");
        song.Play();
        const std::vector<float> heard = render(2 * kRate);
        std::printf("dist_consumer: song peak %.3f\n", peak(heard));
        good &= check(peak(heard) > 0.05f && peak(heard) <= 1.0f, "the song sounds");
        song.FreeSong();
    }
    ShutdownSoundFXEngine();
    return good ? 0 : 1;
}
