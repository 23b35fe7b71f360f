#include "RenderOutput.h"

#include "Errors.h"

#include "PelgraAudio.h"

#include <sndfile.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace pelgra::play {

namespace {

constexpr int kChannels = 2;
constexpr long long kBlockFrames = 1024;

// The writer of the temporary file, whose failures name the file asked for.
SoundFileWriter writerFor(const PendingFile& pending, const std::string& target, int format,
                          int rate) {
    try {
        return SoundFileWriter(pending.path(), format, rate, kChannels);
    } catch (const Failure&) {
        throw Failure("cannot write " + target + ": " + sf_strerror(nullptr));
    }
}

} // namespace

RenderOutput::RenderOutput(const std::string& path, int format, int rate, int voices)
    : Output(rate), m_path(path), m_pending(path), m_engine("manual", rate, voices),
      m_writer(writerFor(m_pending, path, format, rate)), m_block(kBlockFrames * kChannels) {}

long long RenderOutput::advance(long long frames) {
    for (long long done = 0; done < frames;) {
        const int wanted = static_cast<int>(std::min(kBlockFrames, frames - done));
        if (PelgraAudio_Render(m_block.data(), wanted) != wanted) {
            throw Failure("the mixer stopped rendering");
        }
        m_writer.write(m_block.data(), static_cast<std::size_t>(wanted));
        m_levels.add(m_block.data(), static_cast<std::size_t>(wanted) * kChannels);
        done += wanted;
    }
    m_frames += frames;
    return frames;
}

std::string RenderOutput::finish() {
    m_writer.close();
    m_pending.commit();
    char line[512];
    std::error_code unresolved; // then the path as given will do
    std::string where = std::filesystem::weakly_canonical(m_path, unresolved).string();
    if (unresolved) {
        where = m_path;
    }
    std::snprintf(line, sizeof line, "%s: %.3f s, %d Hz stereo, peak %s, RMS %s", where.c_str(),
                  static_cast<double>(m_frames) / rate(), rate(),
                  formatDbfs(m_levels.peak()).c_str(), formatDbfs(m_levels.rms()).c_str());
    return line;
}

} // namespace pelgra::play
