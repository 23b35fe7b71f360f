// pelgra-play: plays sound effects and songs through the Pelgra Sound Engine, renders
// them to WAV files, describes them, and plays a built-in demo.
#include "Controls.h"
#include "Demo.h"
#include "DeviceOutput.h"
#include "EngineSession.h"
#include "Errors.h"
#include "FileInfo.h"
#include "FileProgramme.h"
#include "Options.h"
#include "Player.h"
#include "RenderOutput.h"
#include "SoundFileWriter.h"
#include "StatusLine.h"

#include "PelgraAudio.h"
#include "PelgraSoundEngine.h"

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <iterator>
#include <optional>

using namespace pelgra::play;

namespace {

int describeFiles(const Options& options) {
    // The engine itself says what it makes of each file: started on the manual output, it
    // plays nothing.
    const EngineSession engine("manual", options.rate, options.voices);
    int status = kExitOk;
    for (const std::string& file : options.files) {
        try {
            const FileInfo info = probeFile(file);
            std::cout << describe(file, info);
            if (info.refusal) {
                status = kExitFailure;
            }
        } catch (const Failure& failure) {
            std::cerr << "pelgra-play: " << failure.what() << "\n";
            status = kExitFailure;
        }
    }
    return status;
}

// Rendering into one of the files being played would destroy it before it is read.
void refuseToOverwriteAnInput(const std::string& output, const std::vector<std::string>& inputs) {
    for (const std::string& input : inputs) {
        std::error_code different; // either one missing: they are not the same file
        if (std::filesystem::equivalent(output, input, different)) {
            std::string message = "--render ";
            message.append(output).append(" would overwrite ").append(input);
            throw UsageError(message.append(", which it plays: name another file"));
        }
    }
}

// Returns true when the listener stopped the run before its end.
bool playAll(Output& output, StatusLine* status, const std::vector<Programme>& programmes,
             const Options& options) {
    if (options.volume) {
        SetMasterVolume(static_cast<unsigned char>(*options.volume));
    }
    if (options.musicVolume) {
        PelgraAudio_SetMusicVolume(*options.musicVolume);
    }
    Controls controls(status != nullptr);
    Player player(output, controls, status, options.voices);
    // A stop ends the whole run, not only the file playing; a skip only the file.
    return std::any_of(programmes.begin(), programmes.end(), [&player](const Programme& programme) {
        return player.play(programme) == Ending::Stopped;
    });
}

int play(const Options& options) {
    // Every file is looked at before anything sounds, so that a wrong name fails at once,
    // also where no device would open: the engine loads each on the manual output.
    std::optional<Demo> demo;
    std::vector<Programme> programmes;
    if (options.mode == Mode::Demo) {
        programmes.push_back(demo.emplace().programme(options.seconds));
    } else {
        const EngineSession looking("manual", options.rate, options.voices);
        std::transform(
            options.files.begin(), options.files.end(), std::back_inserter(programmes),
            [&options](const std::string& file) { return programmeForFile(file, options); });
    }

    if (options.render) {
        refuseToOverwriteAnInput(*options.render, options.files);
        RenderOutput output(*options.render, *formatForName(*options.render), options.rate,
                            options.voices);
        for (const Programme& programme : programmes) {
            std::cout << "rendering " << programme.title << "\n";
        }
        if (playAll(output, nullptr, programmes, options)) {
            // Only a signal stops a render: the file is left as it was.
            std::cout << "stopped: " << *options.render << " not written" << std::endl;
            return kExitSignalled + stopSignal();
        }
        std::cout << "wrote " << output.finish() << std::endl;
    } else {
        DeviceOutput output(options.rate, options.voices);
        StatusLine status(stdout, outputCanRedraw());
        if (playAll(output, &status, programmes, options)) {
            status.say("stopped");
            if (stopSignal() != 0) {
                return kExitSignalled + stopSignal();
            }
        }
    }
    return kExitOk;
}

int run(const Options& options) {
    switch (options.mode) {
    case Mode::Help:
        std::cout << usageText();
        return kExitOk;
    case Mode::Version:
        std::cout << "pelgra-play " PELGRA_VERSION "\n";
        return kExitOk;
    case Mode::Info:
        return describeFiles(options);
    case Mode::Play:
    case Mode::Demo:
        return play(options);
    }
    return kExitFailure;
}

} // namespace

int main(int argc, char** argv) {
    try {
        return run(parseOptions({argv + 1, argv + argc}));
    } catch (const UsageError& error) {
        std::cerr << "pelgra-play: " << error.what() << "\n"
                  << "Try 'pelgra-play --help' for more information.\n";
        return kExitUsage;
    } catch (const DeviceUnavailable& error) {
        std::cerr << "pelgra-play: " << error.what()
                  << "; to render to a file instead, add --render OUT.wav\n";
        return kExitNoDevice;
    } catch (const Failure& error) {
        std::cerr << "pelgra-play: " << error.what() << "\n";
        return kExitFailure;
    } catch (const std::exception& error) {
        std::cerr << "pelgra-play: " << error.what() << "\n";
        return kExitFailure;
    }
}
