#include "mixer/RetiredSamples.h"

#include <algorithm>

namespace pelgra::audio {

void RetiredSamples::retire(Mixer& mixer, std::unique_ptr<Sample> sample) {
    const std::uint64_t ticket = mixer.retire(*sample);
    m_samples.push_back(Retired{std::move(sample), ticket});
}

void RetiredSamples::collect(const Mixer& mixer) {
    m_samples.erase(std::remove_if(m_samples.begin(), m_samples.end(),
                                   [&](const Retired& retired) {
                                       return mixer.isReleased(*retired.sample, retired.ticket);
                                   }),
                    m_samples.end());
}

} // namespace pelgra::audio
