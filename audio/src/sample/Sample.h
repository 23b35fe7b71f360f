// A decoded sample, ready to mix: float frames at the mixing rate. The application
// side owns it and sets `retired` when it is freed; the audio thread reads the frames
// and keeps the count of voices reading them, which says when it may be freed.
#ifndef PELGRA_AUDIO_SAMPLE_H
#define PELGRA_AUDIO_SAMPLE_H

#include <atomic>
#include <cstdint>
#include <vector>

namespace pelgra::audio {

struct Sample {
    std::vector<float> data; // interleaved, `channels` floats per frame
    std::int64_t frames = 0;
    int channels = 1; // 1 or 2
    int fileRate = 0; // Hz of the file it was decoded from
    bool loops = false;
    // Where a loop goes on after its last frame: 0, or past an intro played once when the
    // file names a loop (the file's frames after the loop are then not kept).
    std::int64_t loopStart = 0;

    // Set once by the application side when the sample is freed: voices playing it
    // fade out and no new voice starts it.
    std::atomic<bool> retired{false};
    // Voices (fading ones included) that read the frames; written by the audio thread only.
    mutable std::atomic<int> voicesReading{0};
};

} // namespace pelgra::audio

#endif
