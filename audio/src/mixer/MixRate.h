// The mixing rates the library runs at, in Hz: the mixer, its outputs and songs are made
// for these. The C interface states the same bounds to applications.
#ifndef PELGRA_AUDIO_MIX_RATE_H
#define PELGRA_AUDIO_MIX_RATE_H

namespace pelgra::audio {

constexpr int kMinMixRate = 8000;
constexpr int kMaxMixRate = 192000;

constexpr bool isMixRate(int rate) noexcept {
    return rate >= kMinMixRate && rate <= kMaxMixRate;
}

} // namespace pelgra::audio

#endif
