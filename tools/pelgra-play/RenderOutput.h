// The mix rendered into a sound file as fast as the machine allows.
#ifndef PELGRA_PLAY_RENDER_OUTPUT_H
#define PELGRA_PLAY_RENDER_OUTPUT_H

#include "EngineSession.h"
#include "Levels.h"
#include "Output.h"
#include "PendingFile.h"
#include "SoundFileWriter.h"

#include <string>
#include <vector>

namespace pelgra::play {

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
