// Measures of rendered interleaved stereo signals.
#ifndef PELGRA_TESTS_SUPPORT_SIGNAL_MEASURES_H
#define PELGRA_TESTS_SUPPORT_SIGNAL_MEASURES_H

#include <vector>

namespace measure {

// M_PI is not standard C++, and MinGW leaves it out.
constexpr double kPi = 3.14159265358979323846;

// Largest absolute value of one channel (0 left, 1 right) in frames [first, end).
float peak(const std::vector<float>& stereo, int channel, int first = 0, int end = -1);

// Frequency of a periodic signal on one channel, from its rising zero crossings.
double frequency(const std::vector<float>& stereo, int channel, int sampleRate);

// Largest difference between one channel in frames [first, end) and the sine
// amplitude * sin(2 pi cyclesPerFrame (frame - zeroAt)).
float deviationFromSine(const std::vector<float>& stereo, int channel, int first, int end,
                        double cyclesPerFrame, double amplitude, int zeroAt);

// Number of frames from the start until the last frame louder than `threshold`.
int audibleFrames(const std::vector<float>& stereo, float threshold = 1e-4f);

} // namespace measure

#endif
