#include "Options.h"

#include "Errors.h"
#include "SoundFileWriter.h"

#include "PelgraAudio.h"

#include <charconv>
#include <cmath>

namespace pelgra::play {

namespace {

template <typename Number> Number parseNumber(const std::string& option, const std::string& text) {
    Number value{};
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end) {
        throw UsageError(option + ": '" + text + "' is not a number");
    }
    return value;
}

void requireRange(const std::string& option, double value, double low, double high) {
    if (value < low || value > high) {
        throw UsageError(option + " must be between " + std::to_string(static_cast<int>(low)) +
                         " and " + std::to_string(static_cast<int>(high)));
    }
}

void setMode(Options& options, Mode mode, const std::string& option) {
    if (options.mode != Mode::Play && options.mode != mode) {
        throw UsageError(option + " cannot be combined with the other mode given");
    }
    options.mode = mode;
}

// Splits "--name=value" into its two halves; other arguments keep no value.
std::pair<std::string, std::optional<std::string>> splitArgument(const std::string& arg) {
    const auto equals = arg.find('=');
    if (arg.rfind("--", 0) != 0 || equals == std::string::npos) {
        return {arg, std::nullopt};
    }
    return {arg.substr(0, equals), arg.substr(equals + 1)};
}

} // namespace

Options parseOptions(const std::vector<std::string>& args) {
    Options options;
    bool onlyFiles = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (onlyFiles || args[i].empty() || args[i][0] != '-' || args[i] == "-") {
            options.files.push_back(args[i]);
            continue;
        }
        const auto split = splitArgument(args[i]);
        const std::string& name = split.first;
        const std::optional<std::string>& inlineValue = split.second;
        const auto value = [&]() -> std::string {
            if (inlineValue) {
                return *inlineValue;
            }
            if (i + 1 >= args.size()) {
                throw UsageError(name + " needs a value");
            }
            return args[++i];
        };
        const auto flag = [&]() {
            if (inlineValue) {
                throw UsageError(name + " takes no value");
            }
        };
        if (name == "--") {
            onlyFiles = true;
        } else if (name == "--help" || name == "-h") {
            flag();
            setMode(options, Mode::Help, name);
        } else if (name == "--version" || name == "-V") {
            flag();
            setMode(options, Mode::Version, name);
        } else if (name == "--info") {
            flag();
            setMode(options, Mode::Info, name);
        } else if (name == "--demo") {
            flag();
            setMode(options, Mode::Demo, name);
        } else if (name == "--loop") {
            flag();
            options.loop = true;
        } else if (name == "--volume") {
            options.volume = parseNumber<int>(name, value());
        } else if (name == "--music-volume") {
            options.musicVolume = parseNumber<int>(name, value());
        } else if (name == "--rate") {
            options.rate = parseNumber<int>(name, value());
        } else if (name == "--voices") {
            options.voices = parseNumber<int>(name, value());
        } else if (name == "--seconds") {
            options.seconds = parseNumber<double>(name, value());
        } else if (name == "--render") {
            options.render = value();
            if (options.render->empty()) {
                throw UsageError("--render needs a file name");
            }
        } else {
            throw UsageError("unknown option " + name);
        }
    }
    validate(options);
    return options;
}

void validate(const Options& options) {
    if (options.volume) {
        requireRange("--volume", *options.volume, 0, PELGRA_AUDIO_MAX_VOLUME);
    }
    if (options.musicVolume) {
        requireRange("--music-volume", *options.musicVolume, 0, PELGRA_AUDIO_MAX_VOLUME);
    }
    if (options.render && !formatForName(*options.render)) {
        throw UsageError("--render cannot write '" + *options.render +
                         "': name a .wav, .flac or .ogg file");
    }
    requireRange("--rate", options.rate, PELGRA_AUDIO_MIN_RATE, PELGRA_AUDIO_MAX_RATE);
    requireRange("--voices", options.voices, 1, PELGRA_AUDIO_MAX_VOICES);
    if (options.seconds && !(std::isfinite(*options.seconds) && *options.seconds > 0)) {
        throw UsageError("--seconds must be more than 0");
    }
    switch (options.mode) {
    case Mode::Help:
    case Mode::Version:
        return;
    case Mode::Info:
        if (options.render) {
            throw UsageError("--info plays nothing, so there is nothing to --render");
        }
        break;
    case Mode::Demo:
        if (!options.files.empty()) {
            throw UsageError("--demo plays its own sounds; leave out the files");
        }
        return;
    case Mode::Play:
        if (options.render && options.loop && !options.seconds) {
            throw UsageError("a looping effect never ends: give --seconds with --render --loop");
        }
        break;
    }
    if (options.files.empty()) {
        throw UsageError("no files given");
    }
}

std::string usageText() {
    return R"(Usage: pelgra-play [OPTION]... FILE...
       pelgra-play --demo [OPTION]...
       pelgra-play --info FILE...

Plays sound effects and songs through the Pelgra Sound Engine. Music modules
(MOD, XM, S3M, IT, ...) and MIDI files play as songs, which loop; every other
file plays as a sound effect. Files play one after another.

Options:
  --loop            loop sound effects
  --volume N        master volume of the sound effects only, 0..255 (default: 128)
  --music-volume N  volume of the songs, 0..255 (default: 255)
  --rate HZ         mixing rate, 8000..192000 (default: 48000)
  --voices N        sound-effect voices, 1..1024 (default: 32)
  --seconds S       stop each file (or the demo) after S seconds; without it a song
                    plays until stopped, and a rendered song for one pass
  --render OUT.wav  mix offline, as fast as the machine allows, into a sound file:
                    16-bit WAV (.wav), 16-bit FLAC (.flac) or Ogg Vorbis (.ogg); the
                    file appears only once the whole render has succeeded
  --info            print format, channels, rate and length of each file
  --demo            play a short demo of generated effects over a generated song
  -h, --help        print this help
  -V, --version     print the version

Keys while playing on a terminal: space pauses and resumes, n goes on to the
next file, q or Ctrl-C stops.

Environment: PELGRA_AUDIO_OUTPUT chooses the output (sdl, null; default sdl),
SDL_AUDIODRIVER the SDL driver, PELGRA_SOUNDFONT the SoundFont (.sf2) for MIDI
files (default: /usr/share/sounds/sf2/TimGM6mb.sf2).

Exit status: 0 done, 1 a file or the output failed, 2 wrong command line,
3 the audio device could not be opened (use --render instead), 130 stopped
by Ctrl-C (128 + the signal's number for another termination signal).
)";
}

} // namespace pelgra::play
