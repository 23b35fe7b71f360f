// Rate conversion a little at a time through libsoxr at high quality, so that a whole
// file never has to be in memory at its own rate: what goes in continues what went in
// before, without a seam. Passes frames through unchanged when the rates agree.
#ifndef PELGRA_AUDIO_STREAM_RESAMPLER_H
#define PELGRA_AUDIO_STREAM_RESAMPLER_H

#include <cstddef>
#include <memory>

struct soxr;

namespace pelgra::audio {

class StreamResampler {
public:
    // How input frames come: interleaved, or one plane per channel (which libsoxr takes
    // without first splitting them itself). Output is always interleaved.
    enum class Input { Interleaved, Planes };

    // Null when libsoxr refuses the rates or is not part of the build.
    static std::unique_ptr<StreamResampler> create(int channels, int inputRate, int outputRate,
                                                   Input input = Input::Interleaved);
    // Out of line: only the build with libsoxr has anything to free.
    ~StreamResampler(); // NOLINT(performance-trivially-destructible)
    StreamResampler(const StreamResampler&) = delete;
    StreamResampler& operator=(const StreamResampler&) = delete;

    struct Step {
        std::size_t consumed = 0; // input frames taken
        std::size_t produced = 0; // output frames written
    };

    // Takes what it can of `inputFrames` frames and writes at most `room` frames.
    // With no input (null, 0) it drains what it holds after the last frame.
    Step process(const float* input, std::size_t inputFrames, float* output,
                 std::size_t room) noexcept;
    // The same for a resampler created for planes that converts (not one that passes
    // through, which takes nothing here): `planes[c]` is channel c's input.
    Step processPlanes(const float* const* planes, std::size_t inputFrames, float* output,
                       std::size_t room) noexcept;

    // Forgets what it holds, for input that starts over.
    void restart() noexcept;

    // True when the rates agree: what goes in comes out as it is.
    bool passesThrough() const noexcept { return m_soxr == nullptr; }

    // Output frames for `inputFrames` input frames, rounded up.
    std::size_t outputFramesFor(std::size_t inputFrames) const noexcept;

private:
    StreamResampler(soxr* resampler, int channels, int inputRate, int outputRate)
        : m_soxr(resampler), m_channels(channels), m_inputRate(inputRate),
          m_outputRate(outputRate) {}

    soxr* m_soxr; // null when passing through
    int m_channels;
    int m_inputRate;
    int m_outputRate;
};

} // namespace pelgra::audio

#endif
