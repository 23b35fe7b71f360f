#include "mixer/VoiceBook.h"

namespace pelgra::audio {

VoiceBook::VoiceBook(int voices)
    : m_entries(static_cast<std::size_t>(voices)),
      m_endedIds(new std::atomic<std::uint32_t>[static_cast<std::size_t>(voices)]) {
    for (int voice = 0; voice < voices; ++voice) {
        m_endedIds[static_cast<std::size_t>(voice)].store(0, std::memory_order_relaxed);
    }
}

bool VoiceBook::busy(int voice) const {
    const Entry& entry = m_entries[static_cast<std::size_t>(voice)];
    return entry.sample != nullptr && m_endedIds[static_cast<std::size_t>(voice)].load(
                                          std::memory_order_acquire) != entry.playId;
}

int VoiceBook::pickVoice() const {
    int oldest = 0;
    for (int voice = 0; voice < voices(); ++voice) {
        if (!busy(voice)) {
            return voice;
        }
        if (m_entries[static_cast<std::size_t>(voice)].startOrder <
            m_entries[static_cast<std::size_t>(oldest)].startOrder) {
            oldest = voice;
        }
    }
    return oldest;
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

void VoiceBook::stoppedPlaying(const Sample& sample) {
    for (Entry& entry : m_entries) {
        if (entry.sample == &sample) {
            entry.sample = nullptr;
        }
    }
}

} // namespace pelgra::audio
