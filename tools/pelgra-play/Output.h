// Where the mix goes: the sound device in real time, or a sound file as fast as the
// machine allows. Constructing an output starts the engine on it; destroying it shuts the engine
// down, so every sound object must be gone by then.
#ifndef PELGRA_PLAY_OUTPUT_H
#define PELGRA_PLAY_OUTPUT_H

#include "Levels.h"
#include "PendingFile.h"
#include "SoundFileWriter.h"

#include <string>
#include <vector>

namespace pelgra::play {

// The engine, started on one output of the audio library for as long as the session lives.
class EngineSession {
public:
    // output: a name PelgraAudio_SetOutput knows, or nullptr for the environment's choice.
    // Throws Failure for an output the library refuses and DeviceUnavailable when the
    // engine cannot start on it.
    EngineSession(const char* output, int rate, int voices);
    ~EngineSession();
    EngineSession(const EngineSession&) = delete;
    EngineSession& operator=(const EngineSession&) = delete;
};

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

// The audio device, through the output the environment chooses (SDL by default).
class DeviceOutput final : public Output {
public:
    // Throws DeviceUnavailable when the device cannot be opened.
    DeviceOutput(int rate, int voices);

    long long advance(long long frames) override; // sleeps, then reports the time passed
    void drain() override;

private:
    EngineSession m_engine;
};

// Mixes on demand into a stereo sound file of the format its name's extension names
// (see formatForName). The file takes its name only when finished: until then the
// mix goes to a temporary file beside it, removed if the render does not finish.
class RenderOutput final : public Output {
public:
    // Throws Failure when the file cannot be created or the mixer refuses manual output.
    RenderOutput(const std::string& path, int format, int rate, int voices);

    long long advance(long long frames) override; // mixes exactly that many frames
    void drain() override {}

    // Finishes the file; returns a line with its path, length and levels.
    std::string finish();

private:
    std::string m_path;
    PendingFile m_pending; // before the writer, which must close it before it goes
    EngineSession m_engine;
    SoundFileWriter m_writer;
    LevelMeter m_levels;
    std::vector<float> m_block;
    long long m_frames = 0;
};

} // namespace pelgra::play

#endif
