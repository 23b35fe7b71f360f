#include "song/SongVolume.h"

#include "mixer/MixKernels.h"

#include <algorithm>
#include <cmath>

namespace pelgra::audio {
namespace {

// The request word: a bit that says one is there (so that none is 0), then the fields.
constexpr std::uint64_t kPresentBit = 1;
constexpr std::uint64_t kStopBit = 2;
constexpr int kVolumeShift = 2;
constexpr std::uint64_t kSilentBit = std::uint64_t{1} << 10;
constexpr int kSilentVolumeShift = 11;
constexpr int kFramesShift = 19;
constexpr std::uint64_t kVolumeMask = 0xFF;
constexpr std::uint64_t kFramesMask = 0xFFFFFFFF;
static_assert(SongVolume::kMaxVolume <= static_cast<int>(kVolumeMask));
static_assert(SongVolume::kMaxFadeFrames <= static_cast<std::int64_t>(kFramesMask));

// Gains are worked out this many frames at a time, on the stack.
constexpr int kChunkFrames = 256;

float gainOf(int volume) {
    return static_cast<float>(volume) / static_cast<float>(SongVolume::kMaxVolume);
}

} // namespace

std::uint64_t SongVolume::pack(const Request& request) noexcept {
    std::uint64_t word = kPresentBit |
                         (static_cast<std::uint64_t>(request.volume) << kVolumeShift) |
                         (static_cast<std::uint64_t>(request.frames) << kFramesShift);
    if (request.stop) {
        word |= kStopBit;
    }
    if (request.volumeIfSilent >= 0) {
        word |=
            kSilentBit | (static_cast<std::uint64_t>(request.volumeIfSilent) << kSilentVolumeShift);
    }
    return word;
}

SongVolume::Request SongVolume::unpack(std::uint64_t word) noexcept {
    Request request;
    request.volume = static_cast<int>((word >> kVolumeShift) & kVolumeMask);
    request.frames = static_cast<std::int64_t>((word >> kFramesShift) & kFramesMask);
    request.stop = (word & kStopBit) != 0;
    request.volumeIfSilent = (word & kSilentBit) != 0
                                 ? static_cast<int>((word >> kSilentVolumeShift) & kVolumeMask)
                                 : -1;
    return request;
}

void SongVolume::post(Request request) noexcept {
    // Only the audio thread changes the word meanwhile, and only to take it.
    std::uint64_t previous = m_request.load(std::memory_order_acquire);
    Request composed;
    do {
        composed = request;
        if (previous != 0 && composed.volumeIfSilent < 0) {
            composed.volumeIfSilent = unpack(previous).volumeIfSilent;
        }
    } while (!m_request.compare_exchange_weak(previous, pack(composed), std::memory_order_acq_rel,
                                              std::memory_order_acquire));
}

void SongVolume::set(int volume) noexcept {
    const int kept = std::clamp(volume, 0, kMaxVolume);
    m_volumeSet.store(kept, std::memory_order_relaxed);
    m_stopAsked.store(false, std::memory_order_relaxed);
    post({kept, kGlideFrames, false, kept});
}

void SongVolume::fade(int volume, std::int64_t frames, bool stop) noexcept {
    const int target = stop ? 0 : std::clamp(volume, 0, kMaxVolume);
    if (!stop) {
        m_volumeSet.store(target, std::memory_order_relaxed);
    }
    m_stopAsked.store(stop, std::memory_order_relaxed);
    post({target, std::clamp<std::int64_t>(frames, kGlideFrames, kMaxFadeFrames), stop, -1});
}

void SongVolume::playing() noexcept {
    if (m_stopAsked.exchange(false, std::memory_order_relaxed)) {
        const int kept = m_volumeSet.load(std::memory_order_relaxed);
        post({kept, kGlideFrames, false, kept});
    }
}

bool SongVolume::take(bool heard) noexcept {
    if (m_request.load(std::memory_order_relaxed) == 0) {
        return false;
    }
    const Request request = unpack(m_request.exchange(0, std::memory_order_acquire));
    if (!heard && request.volumeIfSilent >= 0) {
        m_level = gainOf(request.volumeIfSilent);
    }
    m_target = gainOf(request.volume);
    m_stopAtEnd = request.stop;
    m_stopDue = false;
    m_fadeDone = 0;
    if (m_level == m_target && !request.stop) {
        m_fadeFrames = 0;
        return false;
    }
    m_fadeFrames = request.frames;
    m_fromAngle = std::asin(static_cast<double>(std::clamp(m_level, 0.0f, 1.0f)));
    m_angleStep = (std::asin(static_cast<double>(m_target)) - m_fromAngle) /
                  static_cast<double>(m_fadeFrames);
    m_stepCos = std::cos(m_angleStep);
    m_stepSin = std::sin(m_angleStep);
    return request.stop;
}

void SongVolume::fadeGains(float* gains, int frames) noexcept {
    // Exact at the start of each chunk, then turned by the step frame by frame: the
    // rounding of a few hundred turns stays far below a float's.
    const double angle = m_fromAngle + m_angleStep * static_cast<double>(m_fadeDone + 1);
    double sine = std::sin(angle);
    double cosine = std::cos(angle);
    for (int i = 0; i < frames; ++i) {
        gains[i] = static_cast<float>(sine);
        const double turned = sine * m_stepCos + cosine * m_stepSin;
        cosine = cosine * m_stepCos - sine * m_stepSin;
        sine = turned;
    }
    m_fadeDone += frames;
    if (m_fadeDone == m_fadeFrames) {
        gains[frames - 1] = m_target; // the end lands exactly on the volume asked for
        m_stopDue = m_stopAtEnd;
        m_stopAtEnd = false;
    }
    m_level = gains[frames - 1];
}

void SongVolume::mixSteady(float* accumulator, const float* stereo, int frames, float gain,
                           float gainStep, float scale, float scaleStep,
                           MixInto into) const noexcept {
    if (m_level == 0.0f) {
        if (into == MixInto::Replace) {
            std::fill(accumulator, accumulator + 2 * frames, 0.0f);
        }
        return;
    }
    // With one of the two gains steady, as nearly always, their product moves linearly:
    // one pass of the kernel.
    if (scaleStep == 0.0f || gainStep == 0.0f) {
        const float start = gain * scale * m_level;
        const float step = (gainStep * scale + gain * scaleStep) * m_level;
        putStereo(into, accumulator, stereo, frames, start, step);
        return;
    }
    for (int i = 0; i < frames; ++i) {
        const auto at = static_cast<float>(i);
        const float frameGain = (gain + gainStep * at) * (scale + scaleStep * at) * m_level;
        putStereoFrame(into, accumulator + 2 * i, stereo + 2 * i, frameGain);
    }
}

void SongVolume::mix(float* accumulator, const float* stereo, int frames, float gain,
                     float gainStep, float scale, float scaleStep, MixInto into) noexcept {
    int done = 0;
    while (done < frames && m_fadeDone < m_fadeFrames) {
        const int run = static_cast<int>(
            std::min<std::int64_t>({frames - done, kChunkFrames, m_fadeFrames - m_fadeDone}));
        float gains[kChunkFrames];
        fadeGains(gains, run);
        float* out = accumulator + 2 * done;
        const float* in = stereo + 2 * done;
        for (int i = 0; i < run; ++i) {
            const auto at = static_cast<float>(done + i);
            const float frameGain = gains[i] * (gain + gainStep * at) * (scale + scaleStep * at);
            putStereoFrame(into, out + 2 * i, in + 2 * i, frameGain);
        }
        done += run;
    }
    if (done < frames) {
        const auto at = static_cast<float>(done);
        mixSteady(accumulator + 2 * done, stereo + 2 * done, frames - done, gain + gainStep * at,
                  gainStep, scale + scaleStep * at, scaleStep, into);
    }
}

bool SongVolume::stopDue() noexcept {
    const bool due = m_stopDue;
    m_stopDue = false;
    return due;
}

} // namespace pelgra::audio
