#include "song/StreamRenderer.h"

#include "decode/StreamResampler.h"

#include <algorithm>

namespace pelgra::audio {
namespace {
constexpr std::int64_t kChunkFrames = 4096;
// A loop that yields nothing this many times in a row cannot be played.
constexpr int kMaxBarrenWraps = 2;

LoopPoints loopOf(const StreamInfo& info) {
    return info.loop.value_or(LoopPoints{0, info.frames});
}
} // namespace

std::unique_ptr<StreamRenderer> StreamRenderer::open(std::unique_ptr<InputFile> input,
                                                     int mixRate) {
    std::unique_ptr<AudioStream> stream = openAudioStream(std::move(input));
    if (stream == nullptr) {
        return nullptr;
    }
    std::unique_ptr<StreamResampler> resampler =
        StreamResampler::create(stream->info().channels, stream->info().sampleRate, mixRate);
    if (resampler == nullptr) {
        return nullptr;
    }
    return std::unique_ptr<StreamRenderer>(
        new StreamRenderer(std::move(stream), std::move(resampler)));
}

StreamRenderer::StreamRenderer(std::unique_ptr<AudioStream> stream,
                               std::unique_ptr<StreamResampler> resampler)
    : m_stream(std::move(stream)), m_resampler(std::move(resampler)),
      m_channels(m_stream->info().channels), m_tagged(loopOf(m_stream->info())), m_loop(m_tagged),
      m_decoded(static_cast<std::size_t>(kChunkFrames * m_channels)),
      m_resampled(m_resampler->outputFramesFor(kChunkFrames) * m_channels) {}

StreamRenderer::~StreamRenderer() = default;

void StreamRenderer::render(float* interleavedStereo, int frames) noexcept {
    int done = 0;
    while (done < frames) {
        if (m_resampledUsed == m_resampledFrames) {
            m_resampledUsed = m_resampledFrames = 0;
            if (ended() || !refill()) {
                std::fill(interleavedStereo + 2 * done, interleavedStereo + 2 * frames, 0.0f);
                return;
            }
            continue;
        }
        const auto run = static_cast<int>(
            std::min<std::size_t>(frames - done, m_resampledFrames - m_resampledUsed));
        const float* in = m_resampled.data() + m_resampledUsed * m_channels;
        float* out = interleavedStereo + 2 * done;
        for (int i = 0; i < run; ++i) {
            out[2 * i] = in[i * m_channels];
            out[2 * i + 1] = in[i * m_channels + m_channels - 1];
        }
        m_resampledUsed += run;
        done += run;
    }
}

bool StreamRenderer::refill() noexcept {
    if (m_decodedUsed == m_decodedFrames && !decodeChunk()) {
        end();
        return false;
    }
    const StreamResampler::Step step = m_resampler->process(
        m_decoded.data() + m_decodedUsed * m_channels, m_decodedFrames - m_decodedUsed,
        m_resampled.data(), m_resampled.size() / m_channels);
    if (step.consumed == 0 && step.produced == 0) {
        end();
        return false;
    }
    m_decodedUsed += step.consumed;
    m_resampledFrames = step.produced;
    return true;
}

bool StreamRenderer::decodeChunk() noexcept {
    m_decodedUsed = m_decodedFrames = 0;
    while (m_barrenWraps <= kMaxBarrenWraps) {
        const std::int64_t wanted = std::min(kChunkFrames, m_loop.end - m_position);
        const std::int64_t got = wanted > 0 ? m_stream->read(m_decoded.data(), wanted) : 0;
        if (got > 0) {
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
        }
        if (m_loop.end <= m_loop.start || !wrapToLoopStart()) {
            return false;
        }
        ++m_barrenWraps;
    }
    return false;
}

bool StreamRenderer::wrapToLoopStart() noexcept {
    if (!m_stream->seek(m_loop.start)) {
        return false;
    }
    m_position = m_loop.start;
    return true;
}

void StreamRenderer::end() noexcept {
    m_ended.store(true, std::memory_order_release);
}

void StreamRenderer::rewind() noexcept {
    m_loop = m_tagged;
    m_barrenWraps = 0;
    m_decodedUsed = m_decodedFrames = 0;
    m_resampledUsed = m_resampledFrames = 0;
    m_resampler->restart();
    const bool restarted = m_stream->seek(0);
    m_position = 0;
    m_ended.store(!restarted, std::memory_order_release);
}

} // namespace pelgra::audio
