#include "sample/SampleLoader.h"

#include "decode/AudioStream.h"
#include "decode/StreamResampler.h"
#include "failure/FailureReason.h"

#include <algorithm>
#include <filesystem>
#include <vector>

namespace pelgra::audio {

namespace {

constexpr std::int64_t kReadFrames = 4096;
// No codec packs more frames than this into a byte: a header claiming more lies, and
// must not make the loader allocate for it.
constexpr std::int64_t kMaxFramesPerByte = 4096;
// Room for what the resampler's rounding may add beyond the exact ratio.
constexpr std::size_t kSlackFrames = 64;

// Decodes and resamples `frames` frames from where the stream stands straight into
// `out`, whose reserved capacity is the most it may take. `out` grows as frames come,
// within that capacity: no reallocation, no second copy, and a header that promises
// more than comes costs address space, not memory.
bool decodeInto(AudioStream& stream, StreamResampler& resampler, std::int64_t frames,
                std::vector<float>& out) {
    const auto channels = static_cast<std::size_t>(stream.info().channels);
    const std::size_t room = out.capacity() / channels;
    std::size_t written = 0;
    // Returns the frames free after growing `out` by about `wanted` frames.
    const auto grow = [&](std::size_t wanted) {
        out.resize(std::min(room, written + wanted) * channels);
        return out.size() / channels - written;
    };
    std::vector<float> chunk(static_cast<std::size_t>(kReadFrames) * channels);
    for (std::int64_t left = frames; left > 0;) {
        const std::int64_t got = stream.read(chunk.data(), std::min(left, kReadFrames));
        if (got < 0) {
            noteFailure(Failure::FileDamaged);
            return false;
        }
        if (got == 0) {
            break;
        }
        left -= got;
        for (auto used = std::size_t{0}; used < static_cast<std::size_t>(got) && written < room;) {
            const std::size_t free = grow(
                resampler.outputFramesFor(static_cast<std::size_t>(got) - used) + kSlackFrames);
            const StreamResampler::Step step = resampler.process(
                chunk.data() + used * channels, static_cast<std::size_t>(got) - used,
                out.data() + written * channels, free);
            if (step.consumed == 0 && step.produced == 0) {
                noteFailure(Failure::Internal);
                return false;
            }
            used += step.consumed;
            written += step.produced;
        }
    }
    for (std::size_t drained = 1; drained > 0 && written < room; written += drained) {
        const std::size_t free = grow(kSlackFrames);
        drained = resampler.process(nullptr, 0, out.data() + written * channels, free).produced;
    }
    out.resize(written * channels);
    // A header that promised far more than came leaves most of the capacity unused.
    if (out.size() < out.capacity() / 4 * 3) {
        out.shrink_to_fit();
    }
    if (written == 0) { // too short to leave a frame at the mixing rate
        noteFailure(Failure::FileDamaged);
        return false;
    }
    return true;
}

} // namespace

std::unique_ptr<Sample> loadSample(const SampleRequest& request) {
    std::unique_ptr<AudioStream> stream = openAudioStream(request.path);
    if (stream == nullptr) {
        return nullptr;
    }
    const StreamInfo& info = stream->info();
    const std::int64_t first = request.firstFrame;
    std::error_code error;
    if (info.cutShort ||
        info.frames / kMaxFramesPerByte >
            static_cast<std::int64_t>(std::filesystem::file_size(request.path, error))) {
        noteFailure(Failure::FileDamaged);
        return nullptr;
    }
    if (info.frames > kMaxSampleFloats / info.channels) {
        noteFailure(Failure::FileTooLarge);
        return nullptr;
    }
    if (first < 0 || request.frameCount < 0 || first >= info.frames) {
        noteFailure(Failure::InvalidArgument);
        return nullptr;
    }
    const std::int64_t end =
        request.frameCount == 0 ? info.frames : std::min(info.frames, first + request.frameCount);
    if (first > 0 && !stream->seek(first)) {
        noteFailure(Failure::FileDamaged);
        return nullptr;
    }
    std::unique_ptr<StreamResampler> resampler =
        StreamResampler::create(info.channels, info.sampleRate, request.mixRate);
    if (resampler == nullptr) {
        return nullptr;
    }
    const std::size_t outputFrames =
        resampler->outputFramesFor(static_cast<std::size_t>(end - first)) + kSlackFrames;
    if (static_cast<double>(outputFrames) * info.channels > static_cast<double>(kMaxSampleFloats)) {
        noteFailure(Failure::FileTooLarge);
        return nullptr;
    }
    auto sample = std::make_unique<Sample>();
    sample->data.reserve(outputFrames * static_cast<std::size_t>(info.channels));
    if (!decodeInto(*stream, *resampler, end - first, sample->data)) {
        return nullptr;
    }
    sample->channels = info.channels;
    sample->frames = static_cast<std::int64_t>(sample->data.size()) / info.channels;
    sample->loops = request.loops;
    return sample;
}

} // namespace pelgra::audio
