#include "FileProgramme.h"

#include "FileInfo.h"

#include <filesystem>

namespace pelgra::play {

Programme programmeForFile(const std::string& path, const Options& options) {
    const FileInfo info = probeFile(path);
    Programme programme;
    programme.title = std::filesystem::path(path).filename().string();
    programme.sounds.push_back({path, options.loop});
    programme.cues.push_back({0.0, 0});
    const bool isEffect = info.kind == SoundKind::Sample;
    if (options.seconds) {
        programme.seconds = options.seconds;
    } else if ((isEffect && !options.loop) || (!isEffect && options.render)) {
        programme.seconds = info.seconds;
    }
    return programme;
}

} // namespace pelgra::play
