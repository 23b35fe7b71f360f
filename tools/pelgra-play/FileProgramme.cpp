#include "FileProgramme.h"

#include "FileInfo.h"

#include <filesystem>

namespace pelgra::play {

Programme programmeForFile(const std::string& path, const Options& options) {
    const FileInfo info = probeFile(path);
    Programme programme;
    programme.title = std::filesystem::path(path).filename().string();
    const bool isEffect = info.kind == SoundKind::Sample;
    programme.sounds.push_back({path, options.loop, !isEffect});
    programme.cues.push_back({0.0, 0});
    if (info.kind == SoundKind::Stream && info.rate) {
        const double rate = *info.rate;
        programme.track = TrackTimes{info.seconds, info.loop ? info.loop->first / rate : 0.0,
                                     info.loop ? info.loop->second / rate : info.seconds};
    }
    if (options.seconds) {
        programme.seconds = options.seconds;
    } else if ((isEffect && !options.loop) || (!isEffect && options.render)) {
        programme.seconds = info.seconds;
    }
    return programme;
}

} // namespace pelgra::play
