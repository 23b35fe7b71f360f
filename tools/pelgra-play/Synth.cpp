#include "Synth.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace pelgra::play {

namespace {

constexpr double kTwoPi = 6.283185307179586;

// seconds of sound at rate, each sample what voice gives for its time, in order. The
// last few milliseconds fade out, so that no sound ends with a click.
template <typename Voice> std::vector<float> synthesise(double seconds, int rate, Voice voice) {
    constexpr double kReleaseSeconds = 0.005;
    std::vector<float> sound(static_cast<std::size_t>(std::lround(seconds * rate)));
    for (std::size_t i = 0; i < sound.size(); ++i) {
        const double time = static_cast<double>(i) / rate;
        const double release = std::min(1.0, (seconds - time) / kReleaseSeconds);
        sound[i] = static_cast<float>(voice(time) * release);
    }
    return sound;
}

// An oscillator whose frequency may change on every sample without clicks: the phase,
// not the frequency times the time, is what carries on.
class Oscillator {
public:
    explicit Oscillator(int rate) : m_rate(rate) {}

    double sine(double frequency) { return std::sin(step(frequency)); }
    double square(double frequency) { return step(frequency) < kTwoPi / 2 ? 1.0 : -1.0; }

private:
    double step(double frequency) {
        const double phase = m_phase;
        // Frequencies stay below the rate, so one wrap keeps the phase in [0, 2 pi).
        m_phase += kTwoPi * frequency / m_rate;
        if (m_phase >= kTwoPi) {
            m_phase -= kTwoPi;
        }
        return phase;
    }

    int m_rate;
    double m_phase = 0.0;
};

// The same white noise on every run, so the demo sounds alike each time.
class Noise {
public:
    double next() {
        m_state = m_state * 1664525u + 1013904223u;
        return static_cast<double>(m_state >> 8) / (1u << 23) - 1.0;
    }

private:
    std::uint32_t m_state = 0x9E3779B9u;
};

// Rises over attack seconds, then falls by e every decay seconds.
double envelope(double time, double attack, double decay) {
    return time < attack ? time / attack : std::exp(-(time - attack) / decay);
}

} // namespace

std::vector<float> synthLaser(int rate) {
    constexpr double kSeconds = 0.35;
    constexpr double kFrom = 2000.0;
    constexpr double kTo = 150.0;
    Oscillator oscillator(rate);
    return synthesise(kSeconds, rate, [&](double time) {
        const double frequency = kFrom * std::pow(kTo / kFrom, time / kSeconds);
        // A sine pushed towards a square: buzzy, without a square's aliasing.
        const double tone = std::tanh(3.0 * oscillator.sine(frequency));
        return 0.5 * tone * envelope(time, 0.005, 0.12);
    });
}

std::vector<float> synthDrum(int rate) {
    constexpr double kClickSeconds = 0.01;
    Oscillator oscillator(rate);
    Noise noise;
    return synthesise(0.45, rate, [&](double time) {
        const double frequency = 45.0 + 115.0 * std::exp(-time / 0.04);
        const double body = 0.85 * oscillator.sine(frequency) * envelope(time, 0.002, 0.13);
        const double click =
            time < kClickSeconds ? 0.3 * noise.next() * (1.0 - time / kClickSeconds) : 0.0;
        return body + click;
    });
}

std::vector<float> synthCoin(int rate) {
    constexpr double kFirstNoteSeconds = 0.07;
    constexpr double kB5 = 987.77;
    constexpr double kE6 = 1318.51;
    Oscillator oscillator(rate);
    return synthesise(0.35, rate, [&](double time) {
        const bool first = time < kFirstNoteSeconds;
        const double level =
            first ? std::min(1.0, time / 0.002) : envelope(time - kFirstNoteSeconds, 0.001, 0.08);
        return 0.3 * oscillator.square(first ? kB5 : kE6) * level;
    });
}

} // namespace pelgra::play
