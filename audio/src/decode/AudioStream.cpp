#include "decode/AudioStream.h"

#include "decode/OggProbe.h"
#include "failure/FailureReason.h"
#include "file/InputFile.h"
#if defined(PELGRA_AUDIO_HAVE_OPUSFILE)
#include "decode/OpusFileStream.h"
#endif
#if defined(PELGRA_AUDIO_HAVE_SNDFILE)
#include "decode/SndfileStream.h"
#endif
#if defined(PELGRA_AUDIO_HAVE_VORBISFILE)
#include "decode/VorbisFileStream.h"
#endif

#include <algorithm>
#include <cmath>
#include <limits>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

namespace pelgra::audio {
namespace {

constexpr int kMinFileRate = 1000;
constexpr int kMaxFileRate = 768000;
// Float files may hold anything: 36 dB above full scale is as loud as a value may be.
constexpr float kMaxAmplitude = 64.0f;

// A damaged float file can hold NaN, infinities or absurd magnitudes. One such value
// would poison the whole mix, spread by the resampler's filter and the voices' sum:
// silence the first and bound the rest. Written as selects on the magnitude, with no
// branch and no library call, so that the compiler vectorises a loop of it (a NaN fails
// both comparisons).
float mixable(float value) noexcept {
    const float magnitude = std::fabs(value);
    const float bounded = magnitude <= kMaxAmplitude ? value : std::copysign(kMaxAmplitude, value);
    return magnitude <= std::numeric_limits<float>::max() ? bounded : 0.0f;
}

#if defined(__SSE2__) || defined(_M_X64)

// Four values at a time: the magnitude bounded by a packed min and given back its sign,
// then cleared where it is not finite (a NaN fails the comparison). The compiler does
// not find this itself without leave to assume there is no NaN. Two vectors a turn, so
// that the loop's count, compare and branch cost less of the work.
void makeMixable(float* values, std::size_t count) noexcept {
    const __m128 magnitudeBits = _mm_castsi128_ps(_mm_set1_epi32(0x7fffffff));
    const __m128 bound = _mm_set1_ps(kMaxAmplitude);
    const __m128 largest = _mm_set1_ps(std::numeric_limits<float>::max());
    const auto tame = [&](float* four) {
        const __m128 value = _mm_loadu_ps(four);
        const __m128 magnitude = _mm_and_ps(value, magnitudeBits);
        const __m128 sign = _mm_xor_ps(value, magnitude);
        const __m128 bounded = _mm_or_ps(_mm_min_ps(magnitude, bound), sign);
        _mm_storeu_ps(four, _mm_and_ps(bounded, _mm_cmple_ps(magnitude, largest)));
    };
    std::size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        tame(values + i);
        tame(values + i + 4);
    }
    if (i + 4 <= count) {
        tame(values + i);
        i += 4;
    }
    for (; i < count; ++i) {
        values[i] = mixable(values[i]);
    }
}

#else

void makeMixable(float* values, std::size_t count) noexcept {
    for (std::size_t i = 0; i < count; ++i) {
        values[i] = mixable(values[i]);
    }
}

#endif

bool playable(const StreamInfo& info) {
    if (info.channels > 2) {
        noteFailure(Failure::TooManyChannels);
        return false;
    }
    if (info.channels < 1 || info.sampleRate < kMinFileRate || info.sampleRate > kMaxFileRate ||
        info.frames <= 0) {
        noteFailure(Failure::FileDamaged);
        return false;
    }
    return true;
}

// Ogg Vorbis and Opus go to their own libraries where the build has them: libsndfile
// leaks inside libvorbis on damaged Ogg files. Other Ogg streams are refused then.
std::unique_ptr<AudioStream> openByContent(std::unique_ptr<ByteSource> input) {
    [[maybe_unused]] const OggCodec ogg = probeOgg(*input);
#if defined(PELGRA_AUDIO_HAVE_VORBISFILE) && defined(PELGRA_AUDIO_HAVE_OPUSFILE)
    if (ogg == OggCodec::Other) {
        noteFailure(Failure::UnsupportedFormat);
        return nullptr;
    }
#endif
#if defined(PELGRA_AUDIO_HAVE_VORBISFILE)
    if (ogg == OggCodec::Vorbis) {
        return VorbisFileStream::open(std::move(input));
    }
#endif
#if defined(PELGRA_AUDIO_HAVE_OPUSFILE)
    if (ogg == OggCodec::Opus) {
        return OpusFileStream::open(std::move(input));
    }
#endif
#if defined(PELGRA_AUDIO_HAVE_SNDFILE)
    return SndfileStream::open(std::move(input));
#else
    noteFailure(Failure::UnsupportedFormat);
    return nullptr;
#endif
}

} // namespace

void AudioStream::guardValues(float* values, std::int64_t count) const noexcept {
    if (m_values == Values::Any) {
        makeMixable(values, static_cast<std::size_t>(count));
    }
}

std::int64_t AudioStream::read(float* interleaved, std::int64_t frames) noexcept {
    if (frames <= 0) {
        return 0;
    }
    const std::int64_t got = readFrames(interleaved, frames);
    if (m_source != nullptr && m_source->failed()) {
        return -1;
    }
    if (got > 0) {
        guardValues(interleaved, got * m_info.channels);
    }
    return got;
}

std::int64_t AudioStream::readPlanes(const float** planes, float* room,
                                     std::int64_t frames) noexcept {
    if (frames <= 0) {
        return 0;
    }
    float* split[2] = {};
    const std::int64_t got = readPlaneFrames(split, room, frames);
    if (m_source != nullptr && m_source->failed()) {
        return -1;
    }
    for (int channel = 0; channel < m_info.channels && got > 0; ++channel) {
        guardValues(split[channel], got);
        planes[channel] = split[channel];
    }
    return got;
}

std::int64_t AudioStream::readPlaneFrames(float** planes, float* room,
                                          std::int64_t frames) noexcept {
    if (m_info.channels == 1) {
        planes[0] = room;
        return readFrames(room, frames);
    }
    // Read past the planes, then split: the stereo loop is one the compiler vectorises.
    const float* __restrict interleaved = room + 2 * frames;
    const std::int64_t got = readFrames(room + 2 * frames, frames);
    float* __restrict left = room;
    float* __restrict right = room + got;
    for (std::int64_t frame = 0; frame < got; ++frame) {
        left[frame] = interleaved[2 * frame];
        right[frame] = interleaved[2 * frame + 1];
    }
    planes[0] = left;
    planes[1] = right;
    return got;
}

std::unique_ptr<AudioStream> openAudioStream(const char* path) {
    try {
        std::unique_ptr<ByteSource> input = InputFile::openForCall(path);
        if (input == nullptr) {
            return nullptr;
        }
        return openAudioStream(std::move(input));
    } catch (...) {
        noteFailure(Failure::OutOfMemory);
        return nullptr;
    }
}

std::unique_ptr<AudioStream> openAudioStream(std::unique_ptr<ByteSource> input) {
    if (input->size() <= 0) { // empty, or (a caller's slip) of unknown size
        noteFailure(Failure::FileDamaged);
        return nullptr;
    }
    try {
        const ByteSource* source = input.get();
        std::unique_ptr<AudioStream> stream = openByContent(std::move(input));
        if (stream != nullptr && source->failed()) {
            noteFailure(Failure::FileDamaged);
            return nullptr;
        }
        if (stream == nullptr || !playable(stream->info())) {
            return nullptr;
        }
        stream->watch(source);
        return stream;
    } catch (...) {
        noteFailure(Failure::OutOfMemory);
        return nullptr;
    }
}

} // namespace pelgra::audio
