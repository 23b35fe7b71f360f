// Mixes only when the application asks, through PelgraAudio_Render: for tests,
// benchmarks and applications that own their audio device.
//
// The gate outlives every output. A render call on an application thread passes it
// while a close on another thread may tear the mixer down: closing waits for a render
// in progress, and later renders find the gate shut.
#ifndef PELGRA_AUDIO_MANUAL_OUTPUT_H
#define PELGRA_AUDIO_MANUAL_OUTPUT_H

#include "output/Output.h"

#include <atomic>

namespace pelgra::audio {

class ManualRenderGate {
public:
    // Mixes into `interleavedStereo` when open; returns the frames written (0 when shut,
    // or while another thread's render is in progress: the mixer has one audio side,
    // and the refusal is noted as the call's failure).
    int render(float* interleavedStereo, int frames) noexcept;
    void open(Mixer& mixer) { m_mixer.store(&mixer, std::memory_order_seq_cst); }
    // Returns once no render call can reach the mixer.
    void shut() noexcept;
    // Shuts the gate in a forked child without waiting: no render of the child's runs,
    // and one its parent had in progress never ends here.
    void abandon() noexcept;

private:
    std::atomic<Mixer*> m_mixer{nullptr};
    std::atomic<int> m_rendering{0};
    std::atomic_flag m_mixing = ATOMIC_FLAG_INIT;
};

class ManualOutput final : public Output {
public:
    explicit ManualOutput(ManualRenderGate& gate) : m_gate(gate) {}
    ~ManualOutput() override { stop(); }

    bool start(Mixer& mixer) override;
    void stop() noexcept override { m_gate.shut(); }
    int bufferFrames() const override { return 0; }

private:
    ManualRenderGate& m_gate;
};

} // namespace pelgra::audio

#endif
