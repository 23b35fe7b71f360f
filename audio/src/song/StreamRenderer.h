// Songs from sampled audio files (Ogg Vorbis, Opus, FLAC, MP3, WAV, AIFF), streamed:
// decoded and brought to the mixing rate a chunk at a time, so that a song holds a few
// chunks of the file however long it is. The first pass plays from the start; later
// passes repeat the file's tagged loop, or the whole file, without a seam. A loop
// shorter than a chunk is kept as its first pass decoded it and repeats from memory, so
// that a song's work stays in proportion to the frames it renders however short its
// loop: a seek, a read and a resampler call for every pass of a one-frame loop would
// take the worker every song shares.
//
// A file that turns out damaged, cut short or changed while playing loops what could
// be decoded of it; when nothing can be, the song ends and renders silence.
#ifndef PELGRA_AUDIO_STREAM_RENDERER_H
#define PELGRA_AUDIO_STREAM_RENDERER_H

#include "decode/AudioStream.h"
#include "song/SongRenderer.h"

#include <atomic>
#include <memory>
#include <vector>

namespace pelgra::audio {

class StreamResampler;

class StreamRenderer final : public SongRenderer {
public:
    // Null when the file is not a sampled audio file the library decodes. The song keeps
    // the file open while it lives.
    static std::unique_ptr<StreamRenderer> open(std::unique_ptr<ByteSource> input, int mixRate);
    ~StreamRenderer() override;
    StreamRenderer(const StreamRenderer&) = delete;
    StreamRenderer& operator=(const StreamRenderer&) = delete;

    void render(float* interleavedStereo, int frames) noexcept override;
    void rewind() noexcept override;
    bool ended() const noexcept override { return m_ended.load(std::memory_order_acquire); }
    // From the frames rendered since the start and the loop: the resampler keeps time.
    double positionMs() const noexcept override;

    const StreamInfo& info() const noexcept { return m_stream->info(); }
    // The repeated stretch: the tagged loop, or the whole file.
    LoopPoints loop() const noexcept { return m_tagged; }

private:
    StreamRenderer(std::unique_ptr<AudioStream> stream, std::unique_ptr<StreamResampler> resampler,
                   int mixRate);

    // Decodes a chunk if none is waiting and resamples what fits of it into `output`,
    // `room` frames at most. Returns the frames written; false when the stream can give
    // nothing more.
    bool refill(float* output, std::size_t room, std::size_t& produced) noexcept;
    // Reads the next chunk of the loop's first pass or of a repeat.
    bool decodeChunk() noexcept;
    bool wrapToLoopStart() noexcept;
    // Keeps what a read of `frames` frames from file frame `from` (now in m_decoded)
    // gave of a loop shorter than a chunk.
    void hold(std::int64_t from, std::int64_t frames) noexcept;
    bool holdsLoop() const noexcept;
    // Decodes up to `frames` frames into m_chunk.
    std::int64_t readChunk(std::int64_t frames) noexcept;
    float* heldLane(int lane) noexcept;
    // Fills m_decoded with the held loop, repeated from m_position on.
    void repeatHeldLoop() noexcept;
    void end() noexcept;

    std::unique_ptr<AudioStream> m_stream;
    std::unique_ptr<StreamResampler> m_resampler;
    const int m_channels;
    // Resampled chunks are one plane per channel, as libsoxr takes them without a copy:
    // m_channels lanes of one value a frame. Chunks that pass through stay interleaved,
    // as the mix takes them: one lane of m_channels values a frame.
    const bool m_planes;
    const int m_lanes;
    const int m_width;
    const int m_mixRate;
    std::int64_t m_framesRendered = 0; // since the start, at the mixing rate
    const LoopPoints m_tagged;
    LoopPoints m_loop;           // shortened to what decodes when the file fails
    std::int64_t m_position = 0; // the next file frame to decode
    int m_barrenWraps = 0;       // loop repeats in a row that decoded nothing
    // A chunk at the file's rate, by lanes: the decoder's own planes, or lanes in
    // m_decoded kChunkFrames apart (m_decoded also holds decoders' interleaved frames).
    const float* m_chunk[2] = {};
    std::vector<float> m_decoded;
    std::size_t m_decodedFrames = 0;
    std::size_t m_decodedUsed = 0;
    std::vector<float> m_held;     // a loop shorter than a chunk, lanes kChunkFrames apart
    std::int64_t m_heldFrames = 0; // of m_loop from its start; once whole, whole passes
    bool m_direct; // stereo at the mixing rate: the resampler writes to the caller's frames
    std::vector<float> m_resampled; // at the mixing rate, unless direct
    std::size_t m_resampledFrames = 0;
    std::size_t m_resampledUsed = 0;
    std::atomic<bool> m_ended{false};
};

} // namespace pelgra::audio

#endif
