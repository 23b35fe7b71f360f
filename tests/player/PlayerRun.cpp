#include "PlayerRun.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include <sys/wait.h>

namespace {

std::string slurp(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

} // namespace

PlayerRun runPlayer(const std::filesystem::path& folder, const std::string& args,
                    const std::string& launcher) {
    const auto out = folder / "player.out";
    const auto err = folder / "player.err";
    const std::string command = "cd '" + folder.string() +
                                "' && env -u SDL_AUDIODRIVER -u PELGRA_AUDIO_OUTPUT " + launcher +
                                " '" + PELGRA_PLAY_BINARY + "' " + args + " >'" + out.string() +
                                "' 2>'" + err.string() + "' </dev/null";
    const int result = std::system(command.c_str());
    PlayerRun run;
    run.status = WIFEXITED(result) ? WEXITSTATUS(result) : -1;
    run.out = slurp(out);
    run.err = slurp(err);
    return run;
}

WavFacts readWav(const std::filesystem::path& path) {
    WavFacts facts;
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr) {
        return facts;
    }
    std::vector<double> samples(static_cast<std::size_t>(info.frames * info.channels));
    sf_readf_double(file, samples.data(), info.frames);
    sf_close(file);
    facts.frames = info.frames;
    facts.rate = info.samplerate;
    facts.channels = info.channels;
    facts.subtype = info.format & SF_FORMAT_SUBMASK;
    facts.samples = std::move(samples);
    return facts;
}

double WavFacts::peak(int channel, long long from, long long to) const {
    double peak = 0.0;
    for (long long frame = from; frame < (to < 0 ? frames : to); ++frame) {
        peak =
            std::max(peak, std::abs(samples[static_cast<std::size_t>(frame * channels + channel)]));
    }
    return peak;
}

double WavFacts::rms(int channel, long long from, long long to) const {
    const long long end = to < 0 ? frames : to;
    double sum = 0.0;
    for (long long frame = from; frame < end; ++frame) {
        const double sample = samples[static_cast<std::size_t>(frame * channels + channel)];
        sum += sample * sample;
    }
    return end > from ? std::sqrt(sum / static_cast<double>(end - from)) : 0.0;
}
