#include "mixer/Mixer.h"

#include "failure/FailureReason.h"
#include "mixer/MixKernels.h"
#include "sample/Sample.h"

#include <algorithm>
#include <cstring>
#include <thread>

namespace pelgra::audio {

namespace {
constexpr std::uint64_t slotBit(int slot) noexcept {
    return std::uint64_t{1} << slot;
}

// All bits zero is 0.0f: one call the C library does at its best, where a fill loop may
// be left scalar.
void clearStereo(float* interleavedStereo, int frames) noexcept {
    std::memset(interleavedStereo, 0, static_cast<std::size_t>(2 * frames) * sizeof(float));
}

// The lowest slot of a mask that is not 0: the mix visits the awake slots alone, not
// all 64 of them, twice a block.
int lowestSlot(std::uint64_t mask) noexcept {
#if defined(__GNUC__)
    return __builtin_ctzll(mask);
#else
    int slot = 0;
    for (; (mask & 1u) == 0; mask >>= 1) {
        ++slot;
    }
    return slot;
#endif
}
} // namespace

static_assert(Mixer::kSourceSlots <= 64, "a slot is a bit of a 64-bit mask");

Mixer::Mixer(int mixRate, int voices)
    : m_mixRate(mixRate), m_fadeFrames(fadeFramesAt(mixRate)), m_book(voices),
      m_voices(static_cast<std::size_t>(voices)), m_tails(static_cast<std::size_t>(voices)),
      m_busySlots(static_cast<std::size_t>((voices + 63) / 64)),
      m_accumulator(static_cast<std::size_t>(2 * kBlockFrames)),
      m_centreAccumulator(static_cast<std::size_t>(kBlockFrames)), m_outputStage(mixRate) {
    for (auto& source : m_sources) {
        source.store(nullptr, std::memory_order_relaxed);
    }
}

// ---- Application side ----------------------------------------------------------------

bool Mixer::validVoice(int voice) const {
    if (voice >= 0 && voice < voices()) {
        return true;
    }
    noteFailure(Failure::InvalidArgument);
    return false;
}

bool Mixer::send(const Command& command) {
    if (m_commands.push(command)) {
        return true;
    }
    noteFailure(Failure::Busy);
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

bool Mixer::setVoice(int voice, Command::Type setting, float value) {
    if (!validVoice(voice)) {
        return false;
    }
    Command command;
    command.type = setting;
    command.voice = voice;
    command.value = value;
    return send(command);
}

std::uint64_t Mixer::retire(Sample& sample) noexcept {
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
            entry.store(&source, std::memory_order_seq_cst);
            wakeSource(slot);
            return slot;
        }
    }
    return -1;
}

void Mixer::wakeSource(int slot) {
    if (slot >= 0 && slot < kSourceSlots) {
        // Released after the change to the source: the callback that takes the bit sees it.
        m_wokenSources.fetch_or(slotBit(slot), std::memory_order_release);
    }
}

void Mixer::detachSource(int slot) {
    if (slot < 0 || slot >= kSourceSlots) {
        return;
    }
    // Sequentially consistent, as the mix's epoch step and slot reads are: either the
    // next mix sees the empty slot, or this thread sees that mix in progress and waits
    // for its end.
    if (m_sources[static_cast<std::size_t>(slot)].exchange(nullptr, std::memory_order_seq_cst) ==
        nullptr) {
        return;
    }
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
    const bool timeCpu = m_cpuTiming.load(std::memory_order_relaxed);
    const std::uint64_t cpuStart = timeCpu ? threadCpuNanos() : 0;
    m_mixEpoch.fetch_add(1, std::memory_order_seq_cst);

    applyCommands();
    takeWokenSources();
    m_outputStage.beginCallback();
    float peakLeft = 0.0f;
    float peakRight = 0.0f;
    if (m_voicesInUse == 0 && m_tailsFading == 0 && m_awakeSources == 0 &&
        m_outputStage.drained()) {
        // Nothing can sound (no voice, no source but resting ones), and the limiter's
        // delay holds nothing still to be heard: silence without a pass over voices,
        // slots, frames or the limiter.
        clearStereo(interleavedStereo, frames);
        m_voicesMixed = false;
        m_sourcesMixed = false;
    } else {
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
    }

    m_stats.recordVoicesInUse(m_voicesInUse);
    m_stats.recordLowestGain(m_outputStage.takeLowestGain());
    m_mixEpoch.fetch_add(1, std::memory_order_release);
    m_stats.recordCallback(start, MixStats::Clock::now(), frames, peakLeft, peakRight);
    if (timeCpu) {
        m_stats.recordCallbackCpu(threadCpuNanos() - cpuStart);
    }
}

// Inside the mix, so that a source being detached stays alive until the wait is over.
void Mixer::awaitSources(int frames) noexcept {
    // A resting source has nothing to render for the mix.
    for (std::uint64_t awake = m_awakeSources; awake != 0; awake &= awake - 1) {
        const int slot = lowestSlot(awake);
        if (StreamSource* source =
                m_sources[static_cast<std::size_t>(slot)].load(std::memory_order_seq_cst)) {
            source->awaitRendered(frames);
        }
    }
}

void Mixer::takeWokenSources() noexcept {
    // A plain load first: most callbacks find nothing woken and need no exchange.
    if (m_wokenSources.load(std::memory_order_relaxed) != 0) {
        m_awakeSources |= m_wokenSources.exchange(0, std::memory_order_acquire);
    }
}

void Mixer::applyCommands() noexcept {
    // Only what was queued when the callback began: an application thread that keeps
    // queueing cannot hold the callback past its period.
    Command command;
    for (std::uint64_t left = m_commands.queued(); left > 0 && m_commands.pop(command); --left) {
        apply(command);
        ++m_commandsPopped;
    }
    m_commandsApplied.store(m_commandsPopped, std::memory_order_release);
}

void Mixer::apply(const Command& command) noexcept {
    if (command.type == Command::Type::Play) {
        startVoice(command.voice, *command.sample, command.playId);
        return;
    }
    if (applySetting(command)) {
        return;
    }
    if (command.voice == kAllVoices) {
        if (command.type == Command::Type::Stop) {
            m_allVoiceCommands.stop();
        } else {
            m_allVoiceCommands.setPaused(command.paused);
        }
        return;
    }
    Voice& voice = m_voices[static_cast<std::size_t>(command.voice)];
    m_allVoiceCommands.catchUp(voice, m_fadeFrames);
    if (command.type == Command::Type::Stop) {
        voice.stop(m_fadeFrames);
    } else if (command.paused) {
        voice.pause(m_fadeFrames);
    } else {
        voice.resume(m_fadeFrames);
    }
}

bool Mixer::applySetting(const Command& command) noexcept {
    const auto voice = static_cast<std::size_t>(command.voice);
    switch (command.type) {
    case Command::Type::SetVolume:
        m_voices[voice].setVolume(command.value, kBlockFrames);
        return true;
    case Command::Type::SetPan:
        m_voices[voice].setPan(command.value, kBlockFrames);
        return true;
    case Command::Type::SetPitch:
        m_voices[voice].setPitch(command.value, kBlockFrames);
        return true;
    default:
        return false;
    }
}

void Mixer::startVoice(int voice, const Sample& sample, std::uint32_t playId) noexcept {
    const auto index = static_cast<std::size_t>(voice);
    Voice& entry = m_voices[index];
    m_allVoiceCommands.catchUp(entry, m_fadeFrames);
    if (entry.sounding()) {
        // Taken over while heard: what it played fades out beneath the new start. A
        // tail still fading from an earlier takeover within one fade is cut.
        releaseTail(voice);
        m_tails[index] = entry;
        m_tails[index].stop(m_fadeFrames);
        ++m_tailsFading;
        markBusy(voice);
        m_book.reportEnded(voice, entry.playId());
        entry.clear();
        --m_voicesInUse;
    } else {
        releaseVoice(voice);
    }
    if (sample.retired.load(std::memory_order_acquire)) {
        // Freed before the start came through: the voice is silent at once.
        m_book.reportEnded(voice, playId);
        return;
    }
    sample.voicesReading.store(sample.voicesReading.load(std::memory_order_relaxed) + 1,
                               std::memory_order_relaxed);
    entry.start(sample, playId, m_allVoiceCommands.serial());
    ++m_voicesInUse;
    markBusy(voice);
}

void Mixer::markBusy(int voice) noexcept {
    m_busySlots[static_cast<std::size_t>(voice / 64)] |= slotBit(voice % 64);
}

namespace {
// The last access to a voice's sample: once its count reaches zero it may be freed.
void stopReading(const Sample& sample) noexcept {
    sample.voicesReading.store(sample.voicesReading.load(std::memory_order_relaxed) - 1,
                               std::memory_order_release);
}
} // namespace

void Mixer::releaseVoice(int voice) noexcept {
    Voice& entry = m_voices[static_cast<std::size_t>(voice)];
    const Sample* sample = entry.sample();
    if (sample == nullptr) {
        return;
    }
    m_book.reportEnded(voice, entry.playId());
    entry.clear();
    --m_voicesInUse;
    stopReading(*sample);
}

void Mixer::releaseTail(int voice) noexcept {
    Voice& tail = m_tails[static_cast<std::size_t>(voice)];
    const Sample* sample = tail.sample();
    if (sample == nullptr) {
        return;
    }
    tail.clear();
    --m_tailsFading;
    stopReading(*sample);
}

void Mixer::mixVoices(MixBuses& buses, int frames) noexcept {
    // A master gain change glides over one block instead of stepping, unless nothing
    // was sounding.
    const float masterTarget = m_masterGain.load(std::memory_order_relaxed);
    const float master = m_voicesMixed ? m_appliedMasterGain : masterTarget;
    const float masterStep = (masterTarget - master) / static_cast<float>(frames);
    m_appliedMasterGain = masterTarget;

    // The busy slots alone, in the order of their numbers: a mix of a few voices does
    // not pay for the hundreds of free ones.
    for (std::size_t word = 0; word < m_busySlots.size(); ++word) {
        for (std::uint64_t busy = m_busySlots[word]; busy != 0; busy &= busy - 1) {
            const int bit = lowestSlot(busy);
            const int voice = static_cast<int>(word) * 64 + bit;
            const auto index = static_cast<std::size_t>(voice);
            Voice& tail = m_tails[index];
            if (tail.sample() != nullptr && !tail.mixInto(buses, frames, master, masterStep)) {
                releaseTail(voice);
            }
            Voice& entry = m_voices[index];
            if (const Sample* sample = entry.sample(); sample != nullptr) {
                m_allVoiceCommands.catchUp(entry, m_fadeFrames);
                if (!entry.stopping() && sample->retired.load(std::memory_order_relaxed)) {
                    entry.stop(m_fadeFrames);
                }
                if (!entry.mixInto(buses, frames, master, masterStep)) {
                    releaseVoice(voice);
                }
            }
            if (entry.sample() == nullptr && tail.sample() == nullptr) {
                m_busySlots[word] &= ~slotBit(bit);
            }
        }
    }
}

void Mixer::mixBlock(float* out, int frames, float& peakLeft, float& peakRight) noexcept {
    float* accumulator = m_accumulator.data();
    const bool anyVoice = m_voicesInUse > 0 || m_tailsFading > 0;
    if (anyVoice) {
        clearStereo(accumulator, frames);
        float* centre = m_centreAccumulator.data();
        std::memset(centre, 0, static_cast<std::size_t>(frames) * sizeof(float));
        MixBuses buses{accumulator, centre};
        mixVoices(buses, frames);
        // Added last, the centre bus changes the order of the sum where centred voices
        // play beside others (a rounding's difference); alone, they mix exactly as
        // they would straight to the sides.
        if (buses.centreUsed) {
            mixMono(accumulator, centre, frames, 1.0f, 0.0f);
        }
    }
    m_voicesMixed = m_voicesInUse > 0 || m_tailsFading > 0;
    const bool anySource =
        mixSources(accumulator, frames, anyVoice ? MixInto::Add : MixInto::Replace);
    m_outputStage.finish(accumulator, out, frames, !anyVoice && !anySource, peakLeft, peakRight);
}

bool Mixer::mixSources(float* accumulator, int frames, MixInto into) noexcept {
    // Like the master gain, a change of the music gain glides over one block, unless no
    // source was mixed before: a song attached after the change starts at the new gain.
    // Each source folds it into its own gain and adds straight to the accumulator.
    const float target = m_musicGain.load(std::memory_order_relaxed);
    const float from = m_sourcesMixed ? m_appliedMusicGain : target;
    const float step = (target - from) / static_cast<float>(frames);
    m_appliedMusicGain = target;
    bool anySource = false;
    for (std::uint64_t awake = m_awakeSources; awake != 0; awake &= awake - 1) {
        const int slot = lowestSlot(awake);
        const std::uint64_t bit = slotBit(slot);
        StreamSource* source =
            m_sources[static_cast<std::size_t>(slot)].load(std::memory_order_seq_cst);
        if (source == nullptr) {
            m_awakeSources &= ~bit; // detached
            continue;
        }
        anySource = true;
        // The first source of a block without voices writes the block instead of adding
        // to a cleared one (a lone song, as often): only what it left is cleared.
        const int mixed = source->mixScaled(accumulator, frames, from, step, into);
        if (into == MixInto::Replace) {
            if (mixed < frames) {
                clearStereo(accumulator + 2 * mixed, frames - mixed);
            }
            into = MixInto::Add;
        }
        // A change that makes it sound again comes with a wake, taken at the next
        // callback: one that raced with this check is not lost.
        if (source->resting()) {
            m_awakeSources &= ~bit;
        }
    }
    if (into == MixInto::Replace) {
        clearStereo(accumulator, frames);
    }
    m_sourcesMixed = anySource;
    return anySource;
}

} // namespace pelgra::audio
