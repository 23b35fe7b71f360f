#include "mixer/VoiceBook.h"

#include <utility>

namespace pelgra::audio {

VoiceBook::VoiceBook(int voices)
    : m_entries(static_cast<std::size_t>(voices)),
      m_endedIds(new std::atomic<std::uint32_t>[static_cast<std::size_t>(voices)]) {
    for (int voice = 0; voice < voices; ++voice) {
        m_endedIds[static_cast<std::size_t>(voice)].store(0, std::memory_order_relaxed);
    }
}

bool VoiceBook::silent(int voice) const {
    return m_endedIds[static_cast<std::size_t>(voice)].load(std::memory_order_acquire) ==
           m_entries[static_cast<std::size_t>(voice)].playId;
}

int VoiceBook::pickVoice() const {
    // Fading voices come before playing ones; within each, the oldest start.
    const auto rank = [&](int voice) {
        const Entry& entry = m_entries[static_cast<std::size_t>(voice)];
        return std::make_pair(entry.sample != nullptr, entry.startOrder);
    };
    int chosen = 0;
    for (int voice = 0; voice < voices(); ++voice) {
        if (silent(voice)) {
            return voice;
        }
        if (rank(voice) < rank(chosen)) {
            chosen = voice;
        }
    }
    return chosen;
}

void VoiceBook::started(int voice, const Sample& sample) {
    Entry& entry = m_entries[static_cast<std::size_t>(voice)];
    entry.sample = &sample;
    entry.startOrder = ++m_starts;
    ++entry.playId;
}

void VoiceBook::stopped(int voice) {
    m_entries[static_cast<std::size_t>(voice)].sample = nullptr;
}

void VoiceBook::stoppedAll() {
    for (Entry& entry : m_entries) {
        entry.sample = nullptr;
    }
}

void VoiceBook::stoppedPlaying(const Sample& sample) noexcept {
    for (Entry& entry : m_entries) {
        if (entry.sample == &sample) {
            entry.sample = nullptr;
        }
    }
}

} // namespace pelgra::audio
