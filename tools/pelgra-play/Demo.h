// The built-in demo: effects synthesised here and a song from the project's generators, written to
// a temporary folder as files like any others, then effects cued over the song.
#ifndef PELGRA_PLAY_DEMO_H
#define PELGRA_PLAY_DEMO_H

#include "Player.h"

#include <filesystem>
#include <optional>

namespace pelgra::play {

class Demo {
public:
    // Writes the demo's files. Throws Failure when the temporary folder cannot be made
    // or written.
    Demo();
    // Removes the folder with everything in it.
    ~Demo();
    Demo(const Demo&) = delete;
    Demo& operator=(const Demo&) = delete;

    // The demo, about ten seconds long unless seconds says otherwise.
    Programme programme(std::optional<double> seconds) const;

    const std::filesystem::path& folder() const { return m_folder; }

private:
    std::filesystem::path m_folder;
};

} // namespace pelgra::play

#endif
