#include "output/ManualOutput.h"

#include "failure/FailureReason.h"
#include "mixer/Mixer.h"

#include <thread>

namespace pelgra::audio {

int ManualRenderGate::render(float* interleavedStereo, int frames) noexcept {
    // Sequentially consistent on both sides: either shut() sees this render, or this
    // render sees the gate shut.
    m_rendering.fetch_add(1, std::memory_order_seq_cst);
    Mixer* mixer = m_mixer.load(std::memory_order_seq_cst);
    int written = 0;
    if (mixer != nullptr && interleavedStereo != nullptr && frames > 0) {
        if (m_mixing.test_and_set(std::memory_order_acquire)) {
            noteFailure(Failure::Busy);
        } else {
            // Not the audio thread: waiting for songs to render ahead is allowed, and makes
            // the mix as fast as the machine allows yet the same as a real-time one.
            mixer->render(interleavedStereo, frames, Mixer::Pacing::WaitForSources);
            m_mixing.clear(std::memory_order_release);
            written = frames;
        }
    }
    m_rendering.fetch_sub(1, std::memory_order_seq_cst);
    return written;
}

void ManualRenderGate::shut() noexcept {
    m_mixer.store(nullptr, std::memory_order_seq_cst);
    while (m_rendering.load(std::memory_order_seq_cst) != 0) {
        std::this_thread::yield();
    }
}

void ManualRenderGate::abandon() noexcept {
    m_mixer.store(nullptr, std::memory_order_seq_cst);
    m_rendering.store(0, std::memory_order_seq_cst);
    m_mixing.clear(std::memory_order_release);
}

bool ManualOutput::start(Mixer& mixer) {
    m_gate.open(mixer);
    return true;
}

} // namespace pelgra::audio
