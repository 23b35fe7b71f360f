#include "mixer/Mixer.h"

#include "failure/FailureReason.h"
#include "mixer/MixKernels.h"
#include "sample/Sample.h"

#include <algorithm>
#include <thread>

namespace pelgra::audio {

Mixer::Mixer(int mixRate, int voices)
    : m_mixRate(mixRate), m_fadeFrames(fadeFramesAt(mixRate)), m_book(voices),
      m_voices(static_cast<std::size_t>(voices)),
      m_accumulator(static_cast<std::size_t>(2 * kBlockFrames)),
      m_musicAccumulator(static_cast<std::size_t>(2 * kBlockFrames)), m_outputStage(mixRate) {
    for (auto& source : m_sources) {
        source.store(nullptr, std::memory_order_relaxed);
    }
}

// ---- Application side ----------------------------------------------------------------

bool Mixer::validVoice(int voice) const {
    if (voice >= 0 && voice < voices()) {
        return true;
    }
    noteFailure(FMOD_ERR_INVALID_PARAM);
    return false;
}

bool Mixer::send(const Command& command) {
    if (m_commands.push(command)) {
        return true;
    }
    noteFailure(FMOD_ERR_BUSY);
    return false;
}

int Mixer::play(int voice, const Sample& sample) {
    if (voice == kAnyVoice) {
        voice = m_book.pickVoice();
    } else if (!validVoice(voice)) {
        return -1;
    }
    Command command;
    command.type = Command::Type::Play;
    command.voice = voice;
    command.playId = m_book.nextPlayId(voice);
    command.sample = &sample;
    if (!send(command)) {
        return -1;
    }
    m_book.started(voice, sample);
    return voice;
}

bool Mixer::stop(int voice) {
    if (voice != kAllVoices && !validVoice(voice)) {
        return false;
    }
    Command command;
    command.type = Command::Type::Stop;
    command.voice = voice;
    if (!send(command)) {
        return false;
    }
    if (voice == kAllVoices) {
        m_book.stoppedAll();
    } else {
        m_book.stopped(voice);
    }
    return true;
}

bool Mixer::setPaused(int voice, bool paused) {
    if (voice != kAllVoices && !validVoice(voice)) {
        return false;
    }
    Command command;
    command.type = Command::Type::SetPaused;
    command.voice = voice;
    command.paused = paused;
    return send(command);
}

std::uint64_t Mixer::retire(Sample& sample) {
    sample.retired.store(true, std::memory_order_release);
    m_book.stoppedPlaying(sample);
    return m_commands.pushed();
}

bool Mixer::isReleased(const Sample& sample, std::uint64_t ticket) const {
    // Every command that could start the sample has been applied (a start applied after
    // the retirement refuses it), and no voice reads it any more.
    return m_commandsApplied.load(std::memory_order_acquire) >= ticket &&
           sample.voicesReading.load(std::memory_order_acquire) == 0;
}

int Mixer::attachSource(StreamSource& source) {
    for (int slot = 0; slot < kSourceSlots; ++slot) {
        auto& entry = m_sources[static_cast<std::size_t>(slot)];
        if (entry.load(std::memory_order_relaxed) == nullptr) {
            entry.store(&source, std::memory_order_release);
            return slot;
        }
    }
    return -1;
}

void Mixer::detachSource(int slot) {
    if (slot < 0 || slot >= kSourceSlots) {
        return;
    }
    // Sequentially consistent, as the mix's epoch step and slot reads are: either the
    // next mix sees the empty slot, or this thread sees that mix in progress and waits
    // for its end.
    m_sources[static_cast<std::size_t>(slot)].store(nullptr, std::memory_order_seq_cst);
    const std::uint64_t epoch = m_mixEpoch.load(std::memory_order_seq_cst);
    if (epoch % 2 == 1) {
        while (m_mixEpoch.load(std::memory_order_acquire) == epoch) {
            std::this_thread::yield();
        }
    }
}

MixStatsSnapshot Mixer::stats() const {
    return m_stats.snapshot();
}

// ---- Audio side --------------------------------------------------------------------

void Mixer::render(float* interleavedStereo, int frames, Pacing pacing) noexcept {
    const auto start = MixStats::Clock::now();
    m_mixEpoch.fetch_add(1, std::memory_order_seq_cst);

    applyCommands();
    m_outputStage.beginCallback();
    float peakLeft = 0.0f;
    float peakRight = 0.0f;
    for (int done = 0; done < frames; done += kBlockFrames) {
        const int block = std::min(kBlockFrames, frames - done);
        if (pacing == Pacing::WaitForSources) {
            awaitSources(block);
        }
        float blockPeakLeft = 0.0f;
        float blockPeakRight = 0.0f;
        mixBlock(interleavedStereo + 2 * done, block, blockPeakLeft, blockPeakRight);
        peakLeft = std::max(peakLeft, blockPeakLeft);
        peakRight = std::max(peakRight, blockPeakRight);
    }

    m_stats.recordVoicesInUse(m_voicesInUse);
    m_stats.recordLowestGain(m_outputStage.takeLowestGain());
    m_mixEpoch.fetch_add(1, std::memory_order_release);
    m_stats.recordCallback(start, MixStats::Clock::now(), frames, peakLeft, peakRight);
}

// Inside the mix, so that a source being detached stays alive until the wait is over.
void Mixer::awaitSources(int frames) noexcept {
    for (const auto& slot : m_sources) {
        if (StreamSource* source = slot.load(std::memory_order_seq_cst)) {
            source->awaitRendered(frames);
        }
    }
}

void Mixer::applyCommands() noexcept {
    Command command;
    while (m_commands.pop(command)) {
        apply(command);
        ++m_commandsPopped;
    }
    m_commandsApplied.store(m_commandsPopped, std::memory_order_release);
}

void Mixer::apply(const Command& command) noexcept {
    switch (command.type) {
    case Command::Type::Play:
        startVoice(command.voice, *command.sample, command.playId);
        return;
    case Command::Type::Stop:
    case Command::Type::SetPaused:
        break;
    }
    const auto act = [&](Voice& voice) {
        if (command.type == Command::Type::Stop) {
            voice.stop(m_fadeFrames);
        } else if (command.paused) {
            voice.pause(m_fadeFrames);
        } else {
            voice.resume(m_fadeFrames);
        }
    };
    if (command.voice == kAllVoices) {
        std::for_each(m_voices.begin(), m_voices.end(), act);
    } else {
        act(m_voices[static_cast<std::size_t>(command.voice)]);
    }
}

void Mixer::startVoice(int voice, const Sample& sample, std::uint32_t playId) noexcept {
    releaseVoice(voice);
    if (sample.retired.load(std::memory_order_acquire)) {
        return;
    }
    sample.voicesReading.store(sample.voicesReading.load(std::memory_order_relaxed) + 1,
                               std::memory_order_relaxed);
    m_voices[static_cast<std::size_t>(voice)].start(sample, playId);
}

void Mixer::releaseVoice(int voice) noexcept {
    Voice& entry = m_voices[static_cast<std::size_t>(voice)];
    const Sample* sample = entry.sample();
    if (sample == nullptr) {
        return;
    }
    m_book.reportEnded(voice, entry.playId());
    entry.clear();
    // The last access to the sample: once the count reaches zero it may be freed.
    sample->voicesReading.store(sample->voicesReading.load(std::memory_order_relaxed) - 1,
                                std::memory_order_release);
}

void Mixer::mixBlock(float* out, int frames, float& peakLeft, float& peakRight) noexcept {
    float* accumulator = m_accumulator.data();
    std::fill(accumulator, accumulator + 2 * frames, 0.0f);

    // A master gain change glides over one block instead of stepping, unless nothing
    // was sounding.
    const float masterTarget = m_masterGain.load(std::memory_order_relaxed);
    const float master = m_voicesInUse > 0 ? m_appliedMasterGain : masterTarget;
    const float masterStep = (masterTarget - master) / static_cast<float>(frames);
    m_appliedMasterGain = masterTarget;

    for (std::size_t index = 0; index < m_voices.size(); ++index) {
        Voice& voice = m_voices[index];
        const Sample* sample = voice.sample();
        if (sample == nullptr) {
            continue;
        }
        if (!voice.stopping() && sample->retired.load(std::memory_order_relaxed)) {
            voice.stop(m_fadeFrames);
        }
        if (!voice.mixInto(accumulator, frames, master, masterStep)) {
            releaseVoice(static_cast<int>(index));
        }
    }
    m_voicesInUse =
        static_cast<int>(std::count_if(m_voices.begin(), m_voices.end(), [](const Voice& voice) {
            return voice.sample() != nullptr;
        }));
    mixSources(accumulator, frames);
    m_outputStage.finish(accumulator, out, frames, peakLeft, peakRight);
}

void Mixer::mixSources(float* accumulator, int frames) noexcept {
    float* music = m_musicAccumulator.data();
    bool anySource = false;
    for (auto& slot : m_sources) {
        if (StreamSource* source = slot.load(std::memory_order_seq_cst)) {
            if (!anySource) {
                std::fill(music, music + 2 * frames, 0.0f);
                anySource = true;
            }
            source->mixInto(music, frames);
        }
    }
    // Like the master gain, a change of the music gain glides over one block, unless no
    // source was mixed before: a song attached after the change starts at the new gain.
    const float target = m_musicGain.load(std::memory_order_relaxed);
    const float from = m_sourcesMixed ? m_appliedMusicGain : target;
    m_appliedMusicGain = target;
    m_sourcesMixed = anySource;
    if (anySource) {
        mixStereo(accumulator, music, frames, from, (target - from) / static_cast<float>(frames));
    }
}

} // namespace pelgra::audio
