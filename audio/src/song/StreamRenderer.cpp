#include "song/StreamRenderer.h"

#include "decode/StreamResampler.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace pelgra::audio {
namespace {
constexpr std::int64_t kChunkFrames = 4096;
// A loop that yields nothing this many times in a row cannot be played.
constexpr int kMaxBarrenWraps = 2;

LoopPoints loopOf(const StreamInfo& info) {
    return info.loop.value_or(LoopPoints{0, info.frames});
}

int millisecondsOf(std::int64_t frames, int rate) {
    return static_cast<int>(std::min<std::int64_t>(frames * 1000 / rate, INT_MAX));
}

SongInfo describe(const StreamInfo& stream) {
    SongInfo info;
    info.kind = SongKind::Stream;
    info.channels = stream.channels;
    info.fileRate = stream.sampleRate;
    info.lengthMs = millisecondsOf(stream.frames, stream.sampleRate);
    if (stream.loop) {
        info.loopStartMs = millisecondsOf(stream.loop->start, stream.sampleRate);
        info.loopEndMs = millisecondsOf(stream.loop->end, stream.sampleRate);
    }
    info.format = stream.codec;
    info.title = stream.title;
    return info;
}
} // namespace

std::unique_ptr<StreamRenderer> StreamRenderer::open(std::unique_ptr<ByteSource> input,
                                                     int mixRate) {
    std::unique_ptr<AudioStream> stream = openAudioStream(std::move(input));
    if (stream == nullptr) {
        return nullptr;
    }
    std::unique_ptr<StreamResampler> resampler =
        StreamResampler::create(stream->info().channels, stream->info().sampleRate, mixRate,
                                StreamResampler::Input::Planes);
    if (resampler == nullptr) {
        return nullptr;
    }
    return std::unique_ptr<StreamRenderer>(
        new StreamRenderer(std::move(stream), std::move(resampler), mixRate));
}

StreamRenderer::StreamRenderer(std::unique_ptr<AudioStream> stream,
                               std::unique_ptr<StreamResampler> resampler, int mixRate)
    : m_stream(std::move(stream)), m_resampler(std::move(resampler)),
      m_channels(m_stream->info().channels), m_planes(!m_resampler->passesThrough()),
      m_lanes(m_planes ? m_channels : 1), m_width(m_planes ? 1 : m_channels), m_mixRate(mixRate),
      m_tagged(loopOf(m_stream->info())), m_loop(m_tagged),
      m_decoded(static_cast<std::size_t>((m_planes ? 2 : 1) * kChunkFrames * m_channels)),
      m_held(static_cast<std::size_t>(kChunkFrames * m_channels)),
      m_direct(m_channels == 2 && m_resampler->passesThrough()),
      m_resampled(m_direct ? 0 : m_resampler->outputFramesFor(kChunkFrames) * m_channels) {
    m_info = describe(m_stream->info());
}

StreamRenderer::~StreamRenderer() = default;

void StreamRenderer::render(float* interleavedStereo, int frames) noexcept {
    m_framesRendered += frames;
    int done = 0;
    while (done < frames) {
        if (m_resampledUsed == m_resampledFrames) {
            m_resampledUsed = m_resampledFrames = 0;
            // Stereo at the mixing rate goes straight to the caller's frames (the ring).
            // Resampled frames go through m_resampled: libsoxr costs more asked for the
            // ring's shorter runs than a copy saves.
            float* output = m_direct ? interleavedStereo + 2 * done : m_resampled.data();
            const std::size_t room = m_direct ? static_cast<std::size_t>(frames - done)
                                              : m_resampled.size() / m_channels;
            std::size_t produced = 0;
            if (ended() || !refill(output, room, produced)) {
                std::fill(interleavedStereo + 2 * done, interleavedStereo + 2 * frames, 0.0f);
                return;
            }
            if (m_direct) {
                done += static_cast<int>(produced);
            } else {
                m_resampledFrames = produced;
            }
            continue;
        }
        const auto run = static_cast<int>(
            std::min<std::size_t>(frames - done, m_resampledFrames - m_resampledUsed));
        const float* in = m_resampled.data() + m_resampledUsed * m_channels;
        float* out = interleavedStereo + 2 * done;
        if (m_channels == 2) {
            std::memcpy(out, in, static_cast<std::size_t>(2 * run) * sizeof(float));
        } else {
            for (int i = 0; i < run; ++i) {
                out[2 * i] = out[2 * i + 1] = in[i];
            }
        }
        m_resampledUsed += run;
        done += run;
    }
}

double StreamRenderer::positionMs() const noexcept {
    const int fileRate = m_stream->info().sampleRate;
    // Exact in whole file frames: a rendered frame may stand between two of the file's.
    const std::int64_t played = m_framesRendered * fileRate / m_mixRate;
    const std::int64_t length = m_loop.end - m_loop.start;
    const std::int64_t frame = played < m_loop.end || length <= 0
                                   ? played
                                   : m_loop.start + (played - m_loop.start) % length;
    return static_cast<double>(frame) * 1000.0 / fileRate;
}

bool StreamRenderer::refill(float* output, std::size_t room, std::size_t& produced) noexcept {
    if (m_decodedUsed == m_decodedFrames && !decodeChunk()) {
        end();
        return false;
    }
    const float* const lanes[2] = {m_chunk[0] + m_decodedUsed * m_width,
                                   m_lanes == 2 ? m_chunk[1] + m_decodedUsed : nullptr};
    const std::size_t left = m_decodedFrames - m_decodedUsed;
    const StreamResampler::Step step = m_planes
                                           ? m_resampler->processPlanes(lanes, left, output, room)
                                           : m_resampler->process(lanes[0], left, output, room);
    if (step.consumed == 0 && step.produced == 0) {
        end();
        return false;
    }
    m_decodedUsed += step.consumed;
    produced = step.produced;
    return true;
}

bool StreamRenderer::decodeChunk() noexcept {
    m_decodedUsed = m_decodedFrames = 0;
    if (holdsLoop()) {
        repeatHeldLoop();
        return true;
    }
    while (m_barrenWraps <= kMaxBarrenWraps) {
        const std::int64_t wanted = std::min(kChunkFrames, m_loop.end - m_position);
        const std::int64_t got = wanted > 0 ? readChunk(wanted) : 0;
        if (got > 0) {
            hold(m_position, got);
            m_position += got;
            m_decodedFrames = static_cast<std::size_t>(got);
            m_barrenWraps = 0;
            return true;
        }
        if (wanted > 0) {
            // The file ends sooner than it said, is damaged here, or changed: play
            // what decoded. Past the loop's start that is the loop cut short; before
            // it, the loop is out of reach and what decoded repeats whole.
            m_loop = m_position > m_loop.start ? LoopPoints{m_loop.start, m_position}
                                               : LoopPoints{0, m_position};
            m_heldFrames = 0;
        }
        if (m_loop.end <= m_loop.start || !wrapToLoopStart()) {
            return false;
        }
        ++m_barrenWraps;
    }
    return false;
}

std::int64_t StreamRenderer::readChunk(std::int64_t frames) noexcept {
    if (m_planes) {
        return m_stream->readPlanes(m_chunk, m_decoded.data(), frames);
    }
    m_chunk[0] = m_decoded.data();
    return m_stream->read(m_decoded.data(), frames);
}

bool StreamRenderer::wrapToLoopStart() noexcept {
    if (!m_stream->seek(m_loop.start)) {
        return false;
    }
    m_position = m_loop.start;
    return true;
}

void StreamRenderer::hold(std::int64_t from, std::int64_t frames) noexcept {
    // Reads never cross the loop's end, and run on from its start after each wrap: what
    // falls in the loop continues what is held, unless the loop changed.
    const std::int64_t start = std::max(from, m_loop.start);
    if (m_loop.end - m_loop.start >= kChunkFrames || from + frames <= start ||
        start - m_loop.start != m_heldFrames) {
        return;
    }
    for (int lane = 0; lane < m_lanes; ++lane) {
        std::copy(m_chunk[lane] + (start - from) * m_width, m_chunk[lane] + frames * m_width,
                  heldLane(lane) + m_heldFrames * m_width);
    }
    m_heldFrames += from + frames - start;
    if (holdsLoop()) {
        // As many passes as fit, so that a chunk takes a few copies however short the loop.
        const std::int64_t length = m_loop.end - m_loop.start;
        const std::int64_t passes = kChunkFrames / length * length;
        while (m_heldFrames < passes) {
            const std::int64_t run = std::min(m_heldFrames, passes - m_heldFrames);
            for (int lane = 0; lane < m_lanes; ++lane) {
                std::copy_n(heldLane(lane), run * m_width, heldLane(lane) + m_heldFrames * m_width);
            }
            m_heldFrames += run;
        }
    }
}

float* StreamRenderer::heldLane(int lane) noexcept {
    return m_held.data() + lane * kChunkFrames;
}

bool StreamRenderer::holdsLoop() const noexcept {
    return m_heldFrames > 0 && m_heldFrames >= m_loop.end - m_loop.start;
}

void StreamRenderer::repeatHeldLoop() noexcept {
    const std::int64_t length = m_loop.end - m_loop.start;
    std::int64_t offset = (m_position - m_loop.start) % length;
    for (std::int64_t filled = 0; filled < kChunkFrames;) {
        const std::int64_t run = std::min(kChunkFrames - filled, m_heldFrames - offset);
        for (int lane = 0; lane < m_lanes; ++lane) {
            std::copy_n(heldLane(lane) + offset * m_width, run * m_width,
                        m_decoded.data() + lane * kChunkFrames + filled * m_width);
        }
        filled += run;
        offset = (offset + run) % length;
    }
    for (int lane = 0; lane < m_lanes; ++lane) {
        m_chunk[lane] = m_decoded.data() + lane * kChunkFrames;
    }
    m_position = m_loop.start + offset;
    m_decodedFrames = static_cast<std::size_t>(kChunkFrames);
}

void StreamRenderer::end() noexcept {
    m_ended.store(true, std::memory_order_release);
}

void StreamRenderer::rewind() noexcept {
    m_loop = m_tagged;
    m_heldFrames = 0;
    m_barrenWraps = 0;
    m_decodedUsed = m_decodedFrames = 0;
    m_resampledUsed = m_resampledFrames = 0;
    m_resampler->restart();
    m_framesRendered = 0;
    const bool restarted = m_stream->seek(0);
    m_position = 0;
    m_ended.store(!restarted, std::memory_order_release);
}

} // namespace pelgra::audio
