// Samples that were freed by the application but may still be read by the audio
// thread (a voice fading out, a start still queued). They are kept here and released
// on an application thread once the mixer says it will not read them again. Nothing
// here waits: with an output that is not rendering, they stay until a later collection
// finds them released, or until the whole library closes.
//
// They are kept in the order they were retired, which is the order in which the mixer
// has applied the commands queued before each: a collection looks at the oldest ones
// only and stops at the first still in use, so that each call costs amortised O(1)
// however many wait.
#ifndef PELGRA_AUDIO_RETIRED_SAMPLES_H
#define PELGRA_AUDIO_RETIRED_SAMPLES_H

#include "mixer/Mixer.h"
#include "sample/Sample.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace pelgra::audio {

class RetiredSamples {
public:
    // Makes room for one more, so that the retire() after it cannot fail. Throws
    // std::bad_alloc, leaving everything as it was.
    void reserveOne();
    // Stops the sample in the mixer and keeps it until released. Call reserveOne() first.
    void retire(Mixer& mixer, std::unique_ptr<Sample> sample) noexcept;
    // Frees the oldest kept samples, as long as the mixer has released them.
    void collect(const Mixer& mixer) noexcept;

private:
    struct Retired {
        std::unique_ptr<Sample> sample;
        std::uint64_t ticket = 0;
    };
    // Entries before m_oldest are freed already; the vector is compacted as they grow.
    std::vector<Retired> m_samples;
    std::size_t m_oldest = 0;
};

} // namespace pelgra::audio

#endif
