#include "sample/SampleLoader.h"

#include "decode/AudioStream.h"
#include "decode/StreamResampler.h"
#include "failure/FailureReason.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace pelgra::audio {

namespace {

constexpr std::int64_t kReadFrames = 4096;
// No codec packs more frames than this into a byte: a header claiming more lies, and
// must not make the loader allocate for it.
constexpr std::int64_t kMaxFramesPerByte = 4096;
// Room for what the resampler's rounding may add beyond the exact ratio.
constexpr std::size_t kSlackFrames = 64;
// How far libsoxr's filter reaches either side of a frame, in frames of the lower of
// the two rates, with room to spare: it reaches about 100 (from 22,050 to 48,000 Hz,
// 218 frames at 48 kHz; from 192 kHz to 48 kHz, 91).
constexpr std::int64_t kFilterReach = 256;

// A looping sample brought to another rate: what it takes at the mixing rate, and how
// far (in the file's frames) the resampler's filter reaches across its seam.
struct LoopShape {
    std::int64_t period = 0;
    std::int64_t reach = 0;
};

// Where resampled frames go: one after another into `out`, which grows as they come
// within its reserved capacity (no reallocation, no second copy, and a header that
// promises more than comes costs address space, not memory); for a loop, once its
// period is known, round and round that period, so that the frames made after its end
// take the place of its first ones.
class FrameSink {
public:
    FrameSink(std::vector<float>& out, std::size_t channels)
        : m_out(out), m_channels(channels), m_end(out.capacity() / channels) {}

    // Where the next frame goes and, in `free`, how many fit from there; about `wanted`
    // frames are coming.
    float* next(std::size_t wanted, std::size_t& free) {
        if (m_period == 0) {
            m_out.resize(std::min(m_end, m_made + wanted) * m_channels);
            free = m_out.size() / m_channels - m_made;
            return m_out.data() + m_made * m_channels;
        }
        const std::size_t at = m_made % m_period;
        free = std::min(m_period - at, m_end - m_made);
        return m_out.data() + at * m_channels;
    }
    void advance(std::size_t frames) noexcept { m_made += frames; }
    bool full() const noexcept { return m_made >= m_end; }
    std::size_t made() const noexcept { return m_made; }

    // From here on frames go round `period` frames (at most the reserved capacity), until
    // `end` frames were made in all.
    void wrap(std::size_t period, std::size_t end) {
        m_out.resize(period * m_channels);
        m_period = period;
        m_end = end;
    }

    // The frames kept: all that came, or one period.
    std::size_t frames() const noexcept { return m_period == 0 ? m_made : m_period; }

private:
    std::vector<float>& m_out;
    std::size_t m_channels;
    std::size_t m_made = 0;
    std::size_t m_period = 0; // 0: frames go straight on
    std::size_t m_end;
};

// Feeds `frames` frames of `input` through the resampler into `sink` until they are all
// taken or the sink is full; with no input, until the resampler has nothing left.
bool resampleInto(StreamResampler& resampler, const float* input, std::size_t frames,
                  std::size_t channels, FrameSink& sink) {
    for (std::size_t used = 0; (input == nullptr || used < frames) && !sink.full();) {
        std::size_t free = 0;
        float* out = sink.next(resampler.outputFramesFor(frames - used) + kSlackFrames, free);
        const StreamResampler::Step step = resampler.process(
            input == nullptr ? nullptr : input + used * channels, frames - used, out, free);
        if (step.consumed == 0 && step.produced == 0) {
            if (input == nullptr) {
                return true;
            }
            noteFailure(Failure::Internal);
            return false;
        }
        used += step.consumed;
        sink.advance(step.produced);
    }
    return true;
}

// Ends a loop that came through the resampler after `came` of its `frames` file frames,
// `head` holding its first ones (all of it when it is shorter than two reaches): feeds
// them again, round and round, so that the frames about its end have what follows them,
// and the frames made after its end, with its tail before them, take the place of its
// first ones (made after silence).
bool closeLoop(StreamResampler& resampler, const LoopShape& loop, std::int64_t frames,
               std::int64_t came, const std::vector<float>& head, std::size_t channels,
               FrameSink& sink) {
    // In proportion when fewer frames came than the file said; never less than made.
    const std::size_t period = std::max(static_cast<std::size_t>(std::max<std::int64_t>(
                                            (came * loop.period + frames / 2) / frames, 1)),
                                        sink.made());
    // The first frames made after silence are within a reach of the start: a reach of
    // frames past the end replaces them, and two reaches fed give the last of those what
    // follows it.
    const auto reach = static_cast<std::size_t>(loop.reach);
    sink.wrap(period, period + resampler.outputFramesFor(reach));
    const std::size_t headFrames = head.size() / channels;
    for (std::size_t fed = 0; fed < 2 * reach; fed += headFrames) {
        if (!resampleInto(resampler, head.data(), std::min(headFrames, 2 * reach - fed), channels,
                          sink)) {
            return false;
        }
    }
    return true;
}

// Decodes and resamples `frames` frames from where the stream stands straight into
// `out`, whose reserved capacity is the most it may take; a loop (null: none) comes out
// as one period of itself repeated endlessly. Only the frames of a loop the filter
// reaches across its seam are kept twice.
bool decodeInto(AudioStream& stream, StreamResampler& resampler, std::int64_t frames,
                const LoopShape* loop, std::vector<float>& out) {
    const auto channels = static_cast<std::size_t>(stream.info().channels);
    FrameSink sink(out, channels);
    const std::size_t headRoom =
        loop == nullptr ? 0 : static_cast<std::size_t>(std::min(frames, 2 * loop->reach));
    std::vector<float> head;
    head.reserve(headRoom * channels);
    std::vector<float> chunk(static_cast<std::size_t>(kReadFrames) * channels);
    std::int64_t came = 0;
    for (std::int64_t left = frames; left > 0 && !sink.full();) {
        const std::int64_t got = stream.read(chunk.data(), std::min(left, kReadFrames));
        if (got < 0) {
            noteFailure(Failure::FileDamaged);
            return false;
        }
        if (got == 0) {
            break;
        }
        left -= got;
        came += got;
        const std::size_t kept =
            std::min(headRoom - head.size() / channels, static_cast<std::size_t>(got));
        head.insert(head.end(), chunk.begin(), chunk.begin() + kept * channels);
        if (!resampleInto(resampler, chunk.data(), static_cast<std::size_t>(got), channels, sink)) {
            return false;
        }
    }
    if (loop != nullptr && came > 0 &&
        !closeLoop(resampler, *loop, frames, came, head, channels, sink)) {
        return false;
    }
    if (!resampleInto(resampler, nullptr, 0, channels, sink)) {
        return false;
    }
    out.resize(sink.frames() * channels);
    // A header that promised far more than came leaves most of the capacity unused.
    if (out.size() < out.capacity() / 4 * 3) {
        out.shrink_to_fit();
    }
    if (out.empty()) { // too short to leave a frame at the mixing rate
        noteFailure(Failure::FileDamaged);
        return false;
    }
    return true;
}

// Decodes `frames` frames from where the stream stands, at the file's rate.
bool decodeAll(AudioStream& stream, std::int64_t frames, std::vector<float>& out) {
    const auto channels = static_cast<std::size_t>(stream.info().channels);
    out.resize(static_cast<std::size_t>(frames) * channels);
    for (std::int64_t done = 0; done < frames;) {
        const std::int64_t got = stream.read(out.data() + static_cast<std::size_t>(done) * channels,
                                             std::min(frames - done, kReadFrames));
        if (got <= 0) {
            noteFailure(Failure::FileDamaged);
            return false;
        }
        done += got;
    }
    return true;
}

// A sample whose file names a loop, as an intro played once and a loop region repeated
// after it: the file's frames up to the loop's end (`loop`, counted from where the stream
// stands), brought to the mixing rate. At another rate, the loop region takes a whole
// number of frames (its rate trimmed as a whole-file loop's is) and the intro is fed with
// the region round and round after it; from where the filter no longer reaches back into
// the intro, the frames made repeat exactly each period, and one period from there is
// kept as the loop.
bool decodeIntroAndLoop(AudioStream& stream, int mixRate, const LoopPoints& loop, Sample& sample) {
    const StreamInfo& info = stream.info();
    std::vector<float> file;
    if (!decodeAll(stream, loop.end, file)) {
        return false;
    }
    if (info.sampleRate == mixRate) {
        sample.data = std::move(file);
        sample.loopStart = loop.start;
        return true;
    }
    const auto channels = static_cast<std::size_t>(info.channels);
    const std::int64_t length = loop.end - loop.start;
    const std::int64_t period =
        std::max<std::int64_t>(1, (length * mixRate + info.sampleRate / 2) / info.sampleRate);
    const int lower = std::min(info.sampleRate, mixRate);
    const std::int64_t reach = (kFilterReach * info.sampleRate + lower - 1) / lower;
    // Two reaches: one for the filter, one for the resampler's own delay.
    const std::int64_t loopStart = ((loop.start + 2 * reach) * period + length - 1) / length;
    const std::int64_t fed = loop.start + length + 4 * reach;
    std::unique_ptr<StreamResampler> resampler =
        StreamResampler::create(info.channels, static_cast<int>(length), static_cast<int>(period));
    if (resampler == nullptr) {
        return false;
    }
    sample.data.reserve((resampler->outputFramesFor(static_cast<std::size_t>(fed)) + kSlackFrames) *
                        channels);
    FrameSink sink(sample.data, channels);
    if (!resampleInto(*resampler, file.data(), static_cast<std::size_t>(loop.start), channels,
                      sink)) {
        return false;
    }
    const float* region = file.data() + static_cast<std::size_t>(loop.start) * channels;
    for (std::int64_t at = loop.start; at < fed; at += length) {
        if (!resampleInto(*resampler, region, static_cast<std::size_t>(std::min(length, fed - at)),
                          channels, sink)) {
            return false;
        }
    }
    if (!resampleInto(*resampler, nullptr, 0, channels, sink)) {
        return false;
    }
    const auto kept = static_cast<std::size_t>(loopStart + period);
    if (sink.made() < kept) {
        noteFailure(Failure::Internal);
        return false;
    }
    sample.data.resize(kept * channels);
    sample.data.shrink_to_fit();
    sample.loopStart = loopStart;
    return true;
}

} // namespace

std::unique_ptr<Sample> loadSample(std::unique_ptr<ByteSource> source,
                                   const SampleRequest& request) {
    source = withKnownSize(std::move(source), kMaxSampleSourceBytes);
    if (source == nullptr) {
        return nullptr;
    }
    const std::int64_t bytes = source->size();
    std::unique_ptr<AudioStream> stream = openAudioStream(std::move(source));
    if (stream == nullptr) {
        return nullptr;
    }
    const StreamInfo& info = stream->info();
    const std::int64_t first = request.firstFrame;
    if (info.cutShort || info.frames / kMaxFramesPerByte > bytes) {
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
    const std::int64_t frames = end - first;
    const std::int64_t mixFrames =
        (frames * request.mixRate + info.sampleRate - 1) / info.sampleRate;
    if (static_cast<double>(mixFrames + kSlackFrames) * info.channels >
        static_cast<double>(kMaxSampleFloats)) {
        noteFailure(Failure::FileTooLarge);
        return nullptr;
    }
    auto sample = std::make_unique<Sample>();
    sample->channels = info.channels;
    sample->fileRate = info.sampleRate;
    sample->loops = request.loops;
    // The file's loop serves only when the frames kept hold it whole.
    if (request.loops && info.loop && info.loop->start >= first && info.loop->end <= end) {
        if (!decodeIntroAndLoop(*stream, request.mixRate,
                                {info.loop->start - first, info.loop->end - first}, *sample)) {
            return nullptr;
        }
        sample->frames = static_cast<std::int64_t>(sample->data.size()) / info.channels;
        return sample;
    }
    // A loop at another rate takes a whole number of frames, so that it repeats without a
    // seam: its rate is trimmed to fit, by less than half a frame per period. The resampler
    // takes nothing from its rates but their ratio.
    std::optional<LoopShape> loop;
    if (request.loops && info.sampleRate != request.mixRate) {
        const int lower = std::min(info.sampleRate, request.mixRate);
        loop = LoopShape{std::max<std::int64_t>(
                             1, (frames * request.mixRate + info.sampleRate / 2) / info.sampleRate),
                         (kFilterReach * info.sampleRate + lower - 1) / lower};
    }
    std::unique_ptr<StreamResampler> resampler =
        loop ? StreamResampler::create(info.channels, static_cast<int>(frames),
                                       static_cast<int>(loop->period))
             : StreamResampler::create(info.channels, info.sampleRate, request.mixRate);
    if (resampler == nullptr) {
        return nullptr;
    }
    sample->data.reserve(
        (resampler->outputFramesFor(static_cast<std::size_t>(frames)) + kSlackFrames) *
        static_cast<std::size_t>(info.channels));
    if (!decodeInto(*stream, *resampler, frames, loop ? &*loop : nullptr, sample->data)) {
        return nullptr;
    }
    sample->frames = static_cast<std::int64_t>(sample->data.size()) / info.channels;
    return sample;
}

} // namespace pelgra::audio
