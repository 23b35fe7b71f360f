// The software mixer: sound-effect voices playing decoded samples, plus a fixed set
// of slots for stream sources such as songs, mixed in float in fixed blocks and
// limited once at the output.
//
// Two sides. Application side: the calls marked so may come from any application
// thread, but the caller serialises them (one lock of its own); none waits for the
// audio thread, except detachSource for the end of a mix in progress. They reach the
// audio thread through a lock-free command ring and atomics. Audio side: render(),
// from one thread at a time; it allocates nothing and touches no file. In real time it
// takes no lock and never waits; only a render with Pacing::WaitForSources (the manual
// output, on an application thread) may wait for the song worker to render ahead.
#ifndef PELGRA_AUDIO_MIXER_H
#define PELGRA_AUDIO_MIXER_H

#include "command/Command.h"
#include "command/SpscRing.h"
#include "mixer/AllVoiceCommands.h"
#include "mixer/GainRamp.h"
#include "mixer/MixBuses.h"
#include "mixer/MixStats.h"
#include "mixer/OutputStage.h"
#include "mixer/StreamSource.h"
#include "mixer/Voice.h"
#include "mixer/VoiceBook.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <vector>

namespace pelgra::audio {

struct Sample;

class Mixer {
public:
    static constexpr int kBlockFrames = 256;
    static constexpr int kSourceSlots = 64; // one bit each in a 64-bit mask
    static constexpr std::size_t kCommandCapacity = 8192;
    // The value of the C interface's FSOUND_FREE, which passes voice numbers through.
    static constexpr int kAnyVoice = -1;
    static constexpr int kAllVoices = Command::kAllVoices;

    Mixer(int mixRate, int voices);

    int mixRate() const { return m_mixRate; }
    int voices() const { return m_book.voices(); }

    // ---- Application side -------------------------------------------------------

    // Starts `sample` on `voice`, or with kAnyVoice on a silent voice (else on one still
    // fading out, else on the one started longest ago). A voice that is still heard
    // fades out beneath the new start. Returns the voice, or -1 when the voice number
    // is out of range or the command ring is full.
    int play(int voice, const Sample& sample);
    // A voice number or kAllVoices; false for an unknown voice or a full ring.
    bool stop(int voice);
    bool setPaused(int voice, bool paused);
    // One voice's own settings, which glide over one block: a volume gain 0..1, a pan
    // -128 (left) .. 127 (right) and a pitch ratio 0.25..4, the caller having checked
    // the ranges. A start resets them. False for an unknown voice or a full ring.
    bool setVoiceVolume(int voice, float gain) {
        return setVoice(voice, Command::Type::SetVolume, gain);
    }
    bool setVoicePan(int voice, float pan) { return setVoice(voice, Command::Type::SetPan, pan); }
    bool setVoicePitch(int voice, float ratio) {
        return setVoice(voice, Command::Type::SetPitch, ratio);
    }
    // Gain of every sound-effect voice, 0..1; stream sources are untouched.
    void setMasterGain(float gain) { m_masterGain.store(gain, std::memory_order_relaxed); }
    // The limiter at the end of the mix, on from the start; switched from the next callback.
    void setLimiterEnabled(bool enabled) { m_outputStage.setLimiterEnabled(enabled); }
    // Gain of every stream source, 0..1 (1 at first); voices are untouched.
    void setMusicGain(float gain) { m_musicGain.store(gain, std::memory_order_relaxed); }

    // Stops the voices playing `sample` (with a fade) and lets no voice start it again.
    // Returns the ticket to pass to isReleased().
    std::uint64_t retire(Sample& sample) noexcept;
    // True once the audio thread will never read a retired sample again: it may be freed.
    bool isReleased(const Sample& sample, std::uint64_t ticket) const;

    // Mixes `source` at the music gain from the next block on. Returns its slot, or -1
    // when every slot is taken.
    int attachSource(StreamSource& source);
    // Pulls the source in `slot` again from the next block on, if it rested. Call after
    // every change an application thread makes to an attached source.
    void wakeSource(int slot);
    // Takes the source out of its slot. Returns once the audio thread can no longer
    // reach it, so the caller may delete it then: at once when no mix is in progress,
    // otherwise after the mix in progress (never for longer than one callback).
    void detachSource(int slot);

    // Any thread.
    MixStatsSnapshot stats() const;
    void resetStats() { m_stats.reset(); }
    // Whether each callback's CPU time is measured (reading the thread's CPU clock is a
    // system call, dearer than an idle callback, so it is off unless asked for).
    void setCpuTiming(bool on) { m_cpuTiming.store(on, std::memory_order_relaxed); }

    // ---- Audio side ---------------------------------------------------------------

    // How a render treats stream sources that have not rendered ahead far enough: a
    // real-time output hears silence from them rather than wait; a caller that mixes
    // faster than real time on an application thread waits for them.
    enum class Pacing { RealTime, WaitForSources };

    // Mixes `frames` stereo frames into `interleavedStereo`, overwriting it.
    void render(float* interleavedStereo, int frames, Pacing pacing = Pacing::RealTime) noexcept;

private:
    // Notes an out-of-range voice as the reason of the failing call.
    bool validVoice(int voice) const;
    bool send(const Command& command);
    bool setVoice(int voice, Command::Type setting, float value);

    void applyCommands() noexcept;
    void apply(const Command& command) noexcept;
    // A voice's own setting (never addressed to every voice); false for any other command.
    bool applySetting(const Command& command) noexcept;
    void startVoice(int voice, const Sample& sample, std::uint32_t playId) noexcept;
    void releaseVoice(int voice) noexcept;
    void releaseTail(int voice) noexcept;
    void mixVoices(MixBuses& buses, int frames) noexcept;
    // Marks a voice's slot as holding a voice or a tail, so that the mix visits it.
    void markBusy(int voice) noexcept;
    void mixBlock(float* out, int frames, float& peakLeft, float& peakRight) noexcept;
    // Adds the stream sources at the music gain; false when no slot held one awake.
    // `into`: whether the accumulator holds the voices' mix, or nothing yet (it then
    // holds the sources' mix, or silence, after).
    bool mixSources(float* accumulator, int frames, MixInto into) noexcept;
    // The slots woken since the last callback are pulled again.
    void takeWokenSources() noexcept;
    void awaitSources(int frames) noexcept;

    const int m_mixRate;
    const int m_fadeFrames;

    // Application side.
    VoiceBook m_book;

    // Shared.
    SpscRing<Command, kCommandCapacity> m_commands;
    std::atomic<std::uint64_t> m_commandsApplied{0};
    std::atomic<float> m_masterGain{1.0f};
    std::atomic<float> m_musicGain{1.0f};
    std::array<std::atomic<StreamSource*>, kSourceSlots> m_sources{};
    // One bit per slot, set by an attach or a wake and taken by the next callback.
    std::atomic<std::uint64_t> m_wokenSources{0};
    std::atomic<bool> m_cpuTiming{false};
    // Odd while a mix is in progress.
    std::atomic<std::uint64_t> m_mixEpoch{0};
    MixStats m_stats;

    // Audio side.
    std::vector<Voice> m_voices;
    // What a voice played before it was taken over, fading out: one per voice.
    std::vector<Voice> m_tails;
    // One bit per slot whose voice or tail may hold a sample; cleared by the mix once
    // neither does.
    std::vector<std::uint64_t> m_busySlots;
    AllVoiceCommands m_allVoiceCommands;
    std::vector<float> m_accumulator;
    std::vector<float> m_centreAccumulator; // see MixBuses
    OutputStage m_outputStage;
    std::uint64_t m_commandsPopped = 0;
    float m_appliedMasterGain = 1.0f;
    float m_appliedMusicGain = 1.0f;
    bool m_sourcesMixed = false; // in the last block
    // One bit per slot whose source is pulled: attached, and not resting since its wake.
    std::uint64_t m_awakeSources = 0;
    int m_voicesInUse = 0;
    int m_tailsFading = 0;
    // Whether the previous block mixed any voice: a master gain change glides only then.
    bool m_voicesMixed = false;
};

} // namespace pelgra::audio

#endif
