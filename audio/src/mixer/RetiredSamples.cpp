#include "mixer/RetiredSamples.h"

#include <algorithm>

namespace pelgra::audio {

void RetiredSamples::reserveOne() {
    if (m_samples.size() == m_samples.capacity()) {
        m_samples.reserve(std::max<std::size_t>(16, 2 * m_samples.capacity()));
    }
}

void RetiredSamples::retire(Mixer& mixer, std::unique_ptr<Sample> sample) noexcept {
    const std::uint64_t ticket = mixer.retire(*sample);
    m_samples.push_back(Retired{std::move(sample), ticket}); // room was reserved
}

void RetiredSamples::collect(const Mixer& mixer) noexcept {
    while (m_oldest < m_samples.size() &&
           mixer.isReleased(*m_samples[m_oldest].sample, m_samples[m_oldest].ticket)) {
        m_samples[m_oldest].sample.reset();
        ++m_oldest;
    }
    // Moving the live ones down costs no more than the frees that made room for it.
    if (m_oldest > 0 && m_oldest >= m_samples.size() / 2) {
        m_samples.erase(m_samples.begin(),
                        m_samples.begin() + static_cast<std::ptrdiff_t>(m_oldest));
        m_oldest = 0;
    }
}

} // namespace pelgra::audio
