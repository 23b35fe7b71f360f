// Where the mix goes: the sound device in real time (DeviceOutput.h), or a sound file as
// fast as the machine allows (RenderOutput.h). Constructing an output starts the engine
// on it; destroying it shuts the engine down, so every sound object must be gone by then.
#ifndef PELGRA_PLAY_OUTPUT_H
#define PELGRA_PLAY_OUTPUT_H

namespace pelgra::play {

class Output {
public:
    explicit Output(int rate) : m_rate(rate) {}
    virtual ~Output() = default;
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    int rate() const { return m_rate; }

    // Lets about `frames` frames of the mix pass and returns how many did pass.
    virtual long long advance(long long frames) = 0;

    // Lets what the mixer has already been given reach the listener before the engine
    // stops.
    virtual void drain() = 0;

private:
    int m_rate;
};

} // namespace pelgra::play

#endif
