#include "FileProgramme.h"

#include "FileInfo.h"
#include "Sound.h"

#include <filesystem>

namespace pelgra::play {

Programme programmeForFile(const std::string& path, const Options& options) {
    const FileInfo info = probeFile(path);
    if (info.refusal) {
        // The probe's reason: the song's own (no SoundFont, say) where loading the file
        // as an effect would only find it no effect.
        throw Refused(path, *info.refusal);
    }
    Programme programme;
    programme.title =
        info.title.empty() ? std::filesystem::path(path).filename().string() : info.title;
    programme.length = info.seconds;
    const bool isEffect = info.kind == SoundKind::Sample;
    programme.sounds.push_back({path, options.loop, !isEffect});
    programme.cues.push_back({0.0, 0});
    programme.showsPlaceInFile = !isEffect;
    if (options.seconds) {
        programme.seconds = options.seconds;
        programme.cut = true;
    } else if ((isEffect && !options.loop) || (!isEffect && options.render)) {
        programme.seconds = info.seconds; // unknown only for files the engine refuses
    }
    return programme;
}

} // namespace pelgra::play
