// Samples that were freed by the application but may still be read by the audio
// thread (a voice fading out, a start still queued). They are kept here and released
// on an application thread once the mixer says it will not read them again. Nothing
// here waits: with an output that is not rendering, they stay until a later collection
// finds them released, or until the whole library closes.
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
    // Stops the sample in the mixer and keeps it until released.
    void retire(Mixer& mixer, std::unique_ptr<Sample> sample);
    // Frees every kept sample that the mixer has released.
    void collect(const Mixer& mixer);

private:
    struct Retired {
        std::unique_ptr<Sample> sample;
        std::uint64_t ticket = 0;
    };
    std::vector<Retired> m_samples;
};

} // namespace pelgra::audio

#endif
