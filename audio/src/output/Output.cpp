#include "output/Output.h"

namespace pelgra::audio {

int realTimeBufferFrames(int mixRate) {
    int frames = 64;
    while (frames < mixRate / 100) {
        frames *= 2;
    }
    return frames;
}

} // namespace pelgra::audio
