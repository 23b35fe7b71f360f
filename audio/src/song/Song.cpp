#include "song/Song.h"

#include "failure/FailureReason.h"
#include "file/InputFile.h"
#include "mixer/GainRamp.h"
#include "mixer/MixRate.h"
#include "song/FrameRing.h"
#if defined(PELGRA_AUDIO_HAVE_FLUIDSYNTH)
#include "platform/LibraryFolder.h"
#include "song/MidiRenderer.h"
#include "song/SoundFontPath.h"
#endif
#if defined(PELGRA_AUDIO_HAVE_OPENMPT)
#include "song/ModuleRenderer.h"
#endif
#include "song/SongFile.h"
#include "song/SongRenderer.h"
#include "song/StreamRenderer.h"

#include <algorithm>
#include <cmath>
#include <thread>

namespace pelgra::audio {
namespace {

constexpr int kSliceFrames = 1024; // what the worker renders at a time
constexpr int kRingsPerSecond = 4; // the ring holds a quarter of a second
constexpr int kPrefillsPerSecond = 10;
constexpr std::chrono::milliseconds kWaitLimit{2000};
constexpr int kPositionAttempts = 4;

constexpr std::uint32_t kPlayingBit = 1;
constexpr std::uint32_t kPausedBit = 2;
constexpr std::uint32_t kEpochStep = 4;
constexpr std::uint32_t kEpochMask = ~(kPlayingBit | kPausedBit);

// A build without a renderer's library refuses its files.
std::unique_ptr<SongRenderer> openRenderer([[maybe_unused]] std::vector<std::uint8_t> file,
                                           [[maybe_unused]] int mixRate) {
#if defined(PELGRA_AUDIO_HAVE_FLUIDSYNTH)
    if (hasMidiSignature(file)) {
        const std::string soundFont = soundFontPath(libraryFolder());
        return MidiRenderer::open(std::move(file), mixRate,
                                  soundFont.empty() ? nullptr : soundFont.c_str());
    }
#endif
#if defined(PELGRA_AUDIO_HAVE_OPENMPT)
    std::unique_ptr<SongRenderer> module = ModuleRenderer::open(std::move(file), mixRate);
#else
    std::unique_ptr<SongRenderer> module;
#endif
    if (module == nullptr) {
        noteFailure(Failure::UnsupportedFormat);
    }
    return module;
}

std::uint64_t prefillFor(int mixRate, const FrameRing& ring, int rampFrames) {
    const std::uint64_t slices = (mixRate / kPrefillsPerSecond + kSliceFrames - 1) / kSliceFrames;
    return std::min<std::uint64_t>(slices * kSliceFrames,
                                   ring.capacity() - rampFrames - kSliceFrames);
}

} // namespace

std::unique_ptr<Song> Song::open(const char* path, int mixRate) noexcept {
    if (!isMixRate(mixRate)) {
        noteFailure(Failure::InvalidArgument);
        return nullptr;
    }
    try {
        std::unique_ptr<InputFile> input = InputFile::openForCall(path);
        return input == nullptr ? nullptr : open(std::move(input), mixRate);
    } catch (...) {
        noteFailure(Failure::OutOfMemory);
        return nullptr;
    }
}

std::unique_ptr<Song> Song::open(std::unique_ptr<ByteSource> input, int mixRate) noexcept {
    if (!isMixRate(mixRate)) {
        noteFailure(Failure::InvalidArgument);
        return nullptr;
    }
    try {
        // A source that cannot tell its size is read whole, as a module is, and bounded so.
        input = withKnownSize(std::move(input), kMaxSongFileBytes);
        if (input == nullptr) {
            return nullptr;
        }
        std::unique_ptr<SongRenderer> renderer;
        if (isSampledAudioFile(*input)) {
            renderer = StreamRenderer::open(std::move(input), mixRate);
        } else if (std::optional<std::vector<std::uint8_t>> file = readSongFile(*input)) {
            input.reset(); // read whole: no need to hold it
            renderer = openRenderer(std::move(*file), mixRate);
        }
        if (renderer == nullptr) {
            return nullptr;
        }
        std::unique_ptr<Song> song(new Song(std::move(renderer), mixRate));
        song->m_worker = SongWorker::shared();
        song->m_worker->add(song.get());
        song->m_worker->wake();
        song->m_worker->waitUntil([&] { return song->startReady(); }, kWaitLimit);
        return song;
    } catch (...) {
        noteFailure(Failure::OutOfMemory); // memory, or the worker thread, could not be had
        return nullptr;
    }
}

Song::Song(std::unique_ptr<SongRenderer> renderer, int mixRate)
    : m_rampFrames(fadeFramesAt(mixRate)), m_renderer(std::move(renderer)),
      m_ring(std::make_unique<FrameRing>(mixRate / kRingsPerSecond + m_rampFrames + kSliceFrames)),
      m_prefillFrames(prefillFor(mixRate, *m_ring, m_rampFrames)),
      m_positions(m_ring->capacity(), mixRate) {}

const SongInfo& Song::info() const noexcept {
    return m_renderer->info();
}

int Song::foldIntoLoop(int ms) const noexcept {
    // The table places the frames of a render as if the song had not wrapped within it:
    // what lies past the loop's end belongs at its start (a module's restart point is
    // taken as its start).
    const SongInfo& facts = info();
    const bool tagged = facts.loopStartMs >= 0 && facts.loopEndMs >= 0;
    const int start = tagged ? facts.loopStartMs : 0;
    const int end = tagged ? facts.loopEndMs : facts.lengthMs;
    return end > start && ms >= end ? start + (ms - end) % (end - start) : ms;
}

int Song::positionMs() const noexcept {
    const std::uint32_t command = m_command.load(std::memory_order_acquire);
    if ((command & kPlayingBit) == 0 ||
        m_ringEpoch.load(std::memory_order_acquire) != (command & kEpochMask)) {
        return 0; // stopped, or the worker has not begun the latest play() yet
    }
    // A cell noted for a later lap means the mix moved on meanwhile: look again.
    for (int attempt = 0; attempt < kPositionAttempts; ++attempt) {
        const std::uint64_t start = m_epochStart.load(std::memory_order_acquire);
        const std::uint64_t read = m_ring->readPosition();
        if (read <= start) {
            return 0; // the audio thread has not reached this play's first frame
        }
        if (const std::optional<double> ms = m_positions.msAt(read - 1)) {
            return foldIntoLoop(static_cast<int>(std::max(0L, std::lround(*ms))));
        }
    }
    return 0;
}

Song::~Song() {
    if (m_worker != nullptr) {
        m_worker->remove(this);
    }
}

void Song::play() noexcept {
    m_volume.playing(); // before the new epoch: the audio thread sees it no later
    std::uint32_t command = m_command.load(std::memory_order_relaxed);
    std::uint32_t next = 0;
    do {
        next = ((command & kEpochMask) + kEpochStep) | kPlayingBit;
    } while (!m_command.compare_exchange_weak(command, next, std::memory_order_acq_rel,
                                              std::memory_order_relaxed));
    m_worker->wake();
}

void Song::stop() noexcept {
    m_command.fetch_and(kEpochMask, std::memory_order_acq_rel);
}

void Song::setPaused(bool paused) noexcept {
    if (paused) {
        m_command.fetch_or(kPausedBit, std::memory_order_acq_rel);
    } else {
        m_command.fetch_and(~kPausedBit, std::memory_order_acq_rel);
    }
}

bool Song::isPlaying() const noexcept {
    return (m_command.load(std::memory_order_acquire) & kPlayingBit) != 0 && !m_renderer->ended();
}

bool Song::stoppedAndSilent() const noexcept {
    const std::uint32_t command = m_command.load(std::memory_order_acquire);
    return (command & kPlayingBit) == 0 &&
           m_quietCommand.load(std::memory_order_acquire) == command;
}

bool Song::resting() const noexcept {
    const std::uint32_t command = m_command.load(std::memory_order_acquire);
    return (command & (kPlayingBit | kPausedBit)) != kPlayingBit &&
           m_quietCommand.load(std::memory_order_acquire) == command;
}

std::uint32_t Song::epochToRender(std::uint32_t command) noexcept {
    return (command & kEpochMask) + ((command & kPlayingBit) != 0 ? 0 : kEpochStep);
}

bool Song::startReady() const noexcept {
    const std::uint32_t command = m_command.load(std::memory_order_acquire);
    return (command & kPlayingBit) == 0 &&
           m_ringEpoch.load(std::memory_order_acquire) == epochToRender(command) &&
           m_ring->writePosition() - m_epochStart.load(std::memory_order_acquire) >=
               m_prefillFrames;
}

std::uint64_t Song::freshFramesAhead() const noexcept {
    // Loaded in this order, neither position can be past the end loaded last.
    const std::uint64_t read = m_ring->readPosition();
    const std::uint64_t start = m_epochStart.load(std::memory_order_acquire);
    const std::uint64_t written = m_ring->writePosition();
    return written - std::max(read, start);
}

bool Song::awaitRendered(int frames) noexcept {
    const std::uint64_t most = m_ring->capacity() - m_rampFrames - kSliceFrames;
    const auto rendered = [&] {
        const std::uint32_t command = m_command.load(std::memory_order_acquire);
        if (m_ringEpoch.load(std::memory_order_acquire) != epochToRender(command)) {
            return false;
        }
        // A stopped song needs nothing more: making its next start ready kept a fade's
        // worth of the song as it was.
        const std::uint64_t wanted =
            (command & kPlayingBit) != 0 ? std::min<std::uint64_t>(std::max(frames, 0), most) : 0;
        return freshFramesAhead() >= wanted;
    };
    if (rendered()) {
        return true;
    }
    m_worker->wake();
    return m_worker->waitUntil(rendered, kWaitLimit);
}

bool Song::renderAhead() noexcept {
    const std::uint32_t command = m_command.load(std::memory_order_acquire);
    const std::uint32_t epoch = epochToRender(command);
    if (epoch != m_renderedEpoch) {
        startOver(epoch);
    }
    if ((command & kPlayingBit) == 0) {
        // Stopped: the next start's first frames, which the audio thread does not take
        // before the play() (the prefill leaves room for the fade-out before them).
        if (m_ring->writePosition() - m_epochStart.load(std::memory_order_relaxed) >=
            m_prefillFrames) {
            return false;
        }
    } else if (m_ring->capacity() - (m_ring->writePosition() - m_ring->readPosition()) <
               kSliceFrames) {
        return false;
    }
    renderFrames(kSliceFrames);
    return true;
}

void Song::renderFrames(std::uint64_t frames) noexcept {
    std::uint64_t position = m_ring->writePosition();
    for (std::uint64_t left = frames; left > 0;) {
        const std::uint64_t run = std::min<std::uint64_t>(left, m_ring->contiguousFrom(position));
        m_positions.note(position, run, m_renderer->positionMs());
        m_renderer->render(m_ring->frame(position), static_cast<int>(run));
        position += run;
        left -= run;
    }
    m_ring->publishWrite(position);
}

void Song::startOver(std::uint32_t epoch) noexcept {
    // A fade's worth of the song as it was, for fading out if it is still audible,
    // also when the audio thread has used up what was rendered.
    const std::uint64_t ahead = m_ring->writePosition() - m_ring->readPosition();
    if (ahead < static_cast<std::uint64_t>(m_rampFrames)) {
        renderFrames(m_rampFrames - ahead);
    }
    m_renderer->rewind();
    // The audio thread holds the claim for one mixInto() at most.
    while (m_ringClaim.test_and_set(std::memory_order_acquire)) {
        std::this_thread::yield();
    }
    // Drop what the audio thread has not mixed of the song beyond that fade.
    const std::uint64_t keep =
        std::min(m_ring->writePosition(), m_ring->readPosition() + m_rampFrames);
    m_ring->publishWrite(keep);
    m_epochStart.store(keep, std::memory_order_relaxed);
    m_ringEpoch.store(epoch, std::memory_order_release);
    m_ringClaim.clear(std::memory_order_release);
    m_renderedEpoch = epoch;
}

int Song::mixInto(float* interleavedStereo, int frames) noexcept {
    return mixScaled(interleavedStereo, frames, 1.0f, 0.0f, MixInto::Add);
}

int Song::mixScaled(float* interleavedStereo, int frames, float gain, float gainStep,
                    MixInto into) noexcept {
    if (frames <= 0 || m_ringClaim.test_and_set(std::memory_order_acquire)) {
        return 0;
    }
    const std::uint32_t command = m_command.load(std::memory_order_acquire);
    if (m_volume.take(!faded())) {
        m_stopEpoch = command & kEpochMask;
    }
    const std::uint32_t ringEpoch = m_ringEpoch.load(std::memory_order_relaxed);
    std::uint64_t position = m_ring->readPosition();
    const std::uint64_t written = m_ring->writePosition();
    int mixed = 0;
    if (m_heardEpoch != ringEpoch) {
        // The frames before m_epochStart are the song before the latest play(): fade
        // them out if they are audible, then skip to the song's new beginning.
        const std::uint64_t start = m_epochStart.load(std::memory_order_relaxed);
        mixed = mixFading(interleavedStereo, frames, position, start - position, false, gain,
                          gainStep, into);
        if (faded() || position == start) {
            m_fade.jumpTo(0.0f);
            position = start;
            m_heardEpoch = ringEpoch;
        }
    }
    if (m_heardEpoch == ringEpoch) {
        const bool audible = (command & (kPlayingBit | kPausedBit)) == kPlayingBit &&
                             (command & kEpochMask) == ringEpoch;
        mixed +=
            mixFading(interleavedStereo + 2 * mixed, frames - mixed, position, written - position,
                      audible, gain + gainStep * static_cast<float>(mixed), gainStep, into);
    }
    m_ring->publishRead(position);
    m_ringClaim.clear(std::memory_order_release);
    if (m_volume.stopDue()) {
        stopFadedOut();
    }
    m_quietCommand.store(faded() ? command : kPlayingBit, std::memory_order_release);
    return mixed;
}

void Song::aimFade(bool audible) noexcept {
    const float target = audible ? 1.0f : 0.0f;
    if (m_fade.target() == target) {
        return;
    }
    // A turn midway takes only the part of a fade that is left, so that every fade
    // moves at the same pace and a quick pause and resume does not dip for long.
    const float distance = std::abs(target - m_fade.value());
    m_fade.rampTo(target,
                  static_cast<int>(std::lround(distance * static_cast<float>(m_rampFrames))));
}

void Song::stopFadedOut() noexcept {
    std::uint32_t command = m_command.load(std::memory_order_acquire);
    while ((command & kEpochMask) == m_stopEpoch &&
           !m_command.compare_exchange_weak(command, command & kEpochMask,
                                            std::memory_order_acq_rel, std::memory_order_acquire)) {
    }
    if ((command & kEpochMask) == m_stopEpoch) {
        m_fade.jumpTo(0.0f); // the volume is 0 already: nothing is cut short
    }
}

bool Song::faded() const noexcept {
    return !m_fade.ramping() && m_fade.value() == 0.0f;
}

int Song::mixFading(float* out, int frames, std::uint64_t& position, std::uint64_t available,
                    bool audible, float scale, float scaleStep, MixInto into) noexcept {
    aimFade(audible);
    const int wanted = static_cast<int>(std::min<std::uint64_t>(frames, available));
    int mixed = 0;
    while (mixed < wanted && !faded()) {
        int run = static_cast<int>(
            std::min<std::uint64_t>(wanted - mixed, m_ring->contiguousFrom(position)));
        if (m_fade.ramping()) {
            run = std::min(run, m_fade.framesLeft());
        }
        const float gainStart = m_fade.value();
        const float gainStep = (m_fade.valueAfter(run) - gainStart) / static_cast<float>(run);
        m_volume.mix(out + 2 * mixed, m_ring->frame(position), run, gainStart, gainStep,
                     scale + scaleStep * static_cast<float>(mixed), scaleStep, into);
        m_fade.advance(run);
        mixed += run;
        position += run;
    }
    return mixed;
}

} // namespace pelgra::audio
