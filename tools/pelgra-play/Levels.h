// Peak and RMS levels of a stream of samples, in dBFS as people read them.
#ifndef PELGRA_PLAY_LEVELS_H
#define PELGRA_PLAY_LEVELS_H

#include <cstddef>
#include <string>

namespace pelgra::play {

class LevelMeter {
public:
    void add(const float* samples, std::size_t count);

    double peak() const { return m_peak; } // largest magnitude, 0..1 (more when clipping)
    double rms() const;                    // root mean square over every sample added

private:
    double m_peak = 0.0;
    double m_sumOfSquares = 0.0;
    std::size_t m_count = 0;
};

// "-6.0 dBFS" for 0.5; "-inf dBFS" for silence.
std::string formatDbfs(double level);

} // namespace pelgra::play

#endif
