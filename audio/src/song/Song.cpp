#include "song/Song.h"

#include "PelgraAudio.h"

#include "song/FrameRing.h"
#if defined(PELGRA_AUDIO_HAVE_FLUIDSYNTH)
#include "song/MidiRenderer.h"
#endif
#if defined(PELGRA_AUDIO_HAVE_OPENMPT)
#include "song/ModuleRenderer.h"
#endif
#include "song/SongFile.h"
#include "song/SongRenderer.h"

#include <algorithm>
#include <thread>

namespace pelgra::audio {
namespace {

constexpr int kFadesPerSecond = 250; // fades last 4 ms
constexpr int kSliceFrames = 1024;   // what the worker renders at a time
constexpr int kRingsPerSecond = 4;   // the ring holds a quarter of a second
constexpr int kPrefillsPerSecond = 10;
constexpr std::chrono::milliseconds kWaitLimit{2000};

constexpr std::uint32_t kPlayingBit = 1;
constexpr std::uint32_t kPausedBit = 2;
constexpr std::uint32_t kEpochStep = 4;
constexpr std::uint32_t kEpochMask = ~(kPlayingBit | kPausedBit);

// A build without a renderer's library refuses its files.
std::unique_ptr<SongRenderer> openRenderer([[maybe_unused]] std::vector<std::uint8_t> file,
                                           [[maybe_unused]] int mixRate) {
#if defined(PELGRA_AUDIO_HAVE_FLUIDSYNTH)
    if (hasMidiSignature(file)) {
        return MidiRenderer::open(std::move(file), mixRate, soundFontPath());
    }
#endif
#if defined(PELGRA_AUDIO_HAVE_OPENMPT)
    return ModuleRenderer::open(std::move(file), mixRate);
#else
    return nullptr;
#endif
}

std::uint64_t prefillFor(int mixRate, const FrameRing& ring, int rampFrames) {
    const std::uint64_t slices = (mixRate / kPrefillsPerSecond + kSliceFrames - 1) / kSliceFrames;
    return std::min<std::uint64_t>(slices * kSliceFrames,
                                   ring.capacity() - rampFrames - kSliceFrames);
}

} // namespace

std::unique_ptr<Song> Song::open(const char* path, int mixRate) noexcept {
    if (mixRate < PELGRA_AUDIO_MIN_RATE || mixRate > PELGRA_AUDIO_MAX_RATE) {
        return nullptr;
    }
    try {
        std::optional<std::vector<std::uint8_t>> file = readSongFile(path);
        if (!file) {
            return nullptr;
        }
        std::unique_ptr<SongRenderer> renderer = openRenderer(std::move(*file), mixRate);
        if (renderer == nullptr) {
            return nullptr;
        }
        std::unique_ptr<Song> song(new Song(std::move(renderer), mixRate));
        song->worker_ = SongWorker::shared();
        song->worker_->add(song.get());
        return song;
    } catch (...) {
        return nullptr;
    }
}

Song::Song(std::unique_ptr<SongRenderer> renderer, int mixRate)
    : rampFrames_(std::max(1, mixRate / kFadesPerSecond)), renderer_(std::move(renderer)),
      ring_(std::make_unique<FrameRing>(mixRate / kRingsPerSecond + rampFrames_ + kSliceFrames)),
      prefillFrames_(prefillFor(mixRate, *ring_, rampFrames_)) {}

Song::~Song() {
    if (worker_ != nullptr) {
        worker_->remove(this);
    }
}

void Song::play() noexcept {
    std::uint32_t command = command_.load(std::memory_order_relaxed);
    std::uint32_t next = 0;
    do {
        next = ((command & kEpochMask) + kEpochStep) | kPlayingBit;
    } while (!command_.compare_exchange_weak(command, next, std::memory_order_acq_rel,
                                             std::memory_order_relaxed));
    const std::uint32_t epoch = next & kEpochMask;
    worker_->wake();
    worker_->waitUntil(
        [&] {
            // Done when primed, or when a later play() or a stop() has overtaken this one.
            const std::uint32_t now = command_.load(std::memory_order_acquire);
            return primedEpoch_.load(std::memory_order_acquire) == epoch ||
                   (now & kEpochMask) != epoch || (now & kPlayingBit) == 0;
        },
        kWaitLimit);
}

void Song::stop() noexcept {
    command_.fetch_and(kEpochMask, std::memory_order_acq_rel);
}

void Song::setPaused(bool paused) noexcept {
    if (paused) {
        command_.fetch_or(kPausedBit, std::memory_order_acq_rel);
    } else {
        command_.fetch_and(~kPausedBit, std::memory_order_acq_rel);
    }
}

bool Song::isPlaying() const noexcept {
    return (command_.load(std::memory_order_acquire) & kPlayingBit) != 0;
}

std::uint64_t Song::freshFramesAhead() const noexcept {
    // Loaded in this order, neither position can be past the end loaded last.
    const std::uint64_t read = ring_->readPosition();
    const std::uint64_t start = epochStart_.load(std::memory_order_acquire);
    const std::uint64_t written = ring_->writePosition();
    return written - std::max(read, start);
}

bool Song::awaitRendered(int frames) noexcept {
    const std::uint64_t most = ring_->capacity() - rampFrames_ - kSliceFrames;
    const auto rendered = [&] {
        const std::uint32_t command = command_.load(std::memory_order_acquire);
        // A song that does not play keeps no more than a fade's worth ahead, and
        // nothing before it has ever played.
        const std::uint64_t reach = (command & kPlayingBit) != 0  ? most
                                    : (command & kEpochMask) != 0 ? rampFrames_
                                                                  : 0;
        const std::uint64_t wanted = std::min<std::uint64_t>(std::max(frames, 0), reach);
        return ringEpoch_.load(std::memory_order_acquire) == (command & kEpochMask) &&
               freshFramesAhead() >= wanted;
    };
    if (rendered()) {
        return true;
    }
    worker_->wake();
    return worker_->waitUntil(rendered, kWaitLimit);
}

bool Song::renderAhead() noexcept {
    const std::uint32_t command = command_.load(std::memory_order_acquire);
    const std::uint32_t epoch = command & kEpochMask;
    if (epoch != renderedEpoch_) {
        startOver(epoch);
    }
    const std::uint64_t ahead = ring_->writePosition() - ring_->readPosition();
    if ((command & kPlayingBit) == 0) {
        // Stopped: only what a fade-out may still need, once it has played.
        if (epoch == 0 || ahead >= static_cast<std::uint64_t>(rampFrames_)) {
            return false;
        }
    } else if (ring_->capacity() - ahead < kSliceFrames) {
        primedEpoch_.store(epoch, std::memory_order_release);
        return false;
    }
    renderFrames(kSliceFrames);
    if (ring_->writePosition() - epochStart_.load(std::memory_order_relaxed) >= prefillFrames_) {
        primedEpoch_.store(epoch, std::memory_order_release);
    }
    return true;
}

void Song::renderFrames(std::uint64_t frames) noexcept {
    std::uint64_t position = ring_->writePosition();
    for (std::uint64_t left = frames; left > 0;) {
        const std::uint64_t run = std::min<std::uint64_t>(left, ring_->contiguousFrom(position));
        renderer_->render(ring_->frame(position), static_cast<int>(run));
        position += run;
        left -= run;
    }
    ring_->publishWrite(position);
}

void Song::startOver(std::uint32_t epoch) noexcept {
    // A fade's worth of the song as it was, for fading out if it is still audible,
    // also when the audio thread has used up what was rendered.
    const std::uint64_t ahead = ring_->writePosition() - ring_->readPosition();
    if (ahead < static_cast<std::uint64_t>(rampFrames_)) {
        renderFrames(rampFrames_ - ahead);
    }
    renderer_->rewind();
    // The audio thread holds the claim for one mixInto() at most.
    while (ringClaim_.test_and_set(std::memory_order_acquire)) {
        std::this_thread::yield();
    }
    // Drop what the audio thread has not mixed of the song beyond that fade.
    const std::uint64_t keep =
        std::min(ring_->writePosition(), ring_->readPosition() + rampFrames_);
    ring_->publishWrite(keep);
    epochStart_.store(keep, std::memory_order_relaxed);
    ringEpoch_.store(epoch, std::memory_order_release);
    ringClaim_.clear(std::memory_order_release);
    renderedEpoch_ = epoch;
}

int Song::mixInto(float* interleavedStereo, int frames) noexcept {
    if (frames <= 0 || ringClaim_.test_and_set(std::memory_order_acquire)) {
        return 0;
    }
    const std::uint32_t command = command_.load(std::memory_order_acquire);
    const std::uint32_t ringEpoch = ringEpoch_.load(std::memory_order_relaxed);
    std::uint64_t position = ring_->readPosition();
    const std::uint64_t written = ring_->writePosition();
    int mixed = 0;
    if (heardEpoch_ != ringEpoch) {
        // The frames before epochStart_ are the song before the latest play(): fade
        // them out if they are audible, then skip to the song's new beginning.
        const std::uint64_t start = epochStart_.load(std::memory_order_relaxed);
        mixed = mixFading(interleavedStereo, frames, position, start - position, false);
        if (ramp_ == 0 || position == start) {
            ramp_ = 0;
            position = start;
            heardEpoch_ = ringEpoch;
        }
    }
    if (heardEpoch_ == ringEpoch) {
        const bool audible = (command & (kPlayingBit | kPausedBit)) == kPlayingBit &&
                             (command & kEpochMask) == ringEpoch;
        mixed += mixFading(interleavedStereo + 2 * mixed, frames - mixed, position,
                           written - position, audible);
    }
    ring_->publishRead(position);
    ringClaim_.clear(std::memory_order_release);
    return mixed;
}

int Song::mixFading(float* out, int frames, std::uint64_t& position, std::uint64_t available,
                    bool audible) noexcept {
    const int wanted = static_cast<int>(std::min<std::uint64_t>(frames, available));
    int mixed = 0;
    while (mixed < wanted) {
        const float* in = ring_->frame(position);
        const int run = static_cast<int>(
            std::min<std::uint64_t>(wanted - mixed, ring_->contiguousFrom(position)));
        float* target = out + 2 * mixed;
        int done = 0;
        if (audible && ramp_ == rampFrames_) {
            for (int i = 0; i < 2 * run; ++i) {
                target[i] += in[i];
            }
            done = run;
        } else {
            for (; done < run; ++done) {
                if (audible) {
                    ramp_ = std::min(ramp_ + 1, rampFrames_);
                } else if (ramp_ == 0) {
                    break;
                } else {
                    --ramp_;
                }
                const float gain = static_cast<float>(ramp_) / static_cast<float>(rampFrames_);
                target[2 * done] += in[2 * done] * gain;
                target[2 * done + 1] += in[2 * done + 1] * gain;
            }
        }
        mixed += done;
        position += done;
        if (done < run) {
            break;
        }
    }
    return mixed;
}

} // namespace pelgra::audio
