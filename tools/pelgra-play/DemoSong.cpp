#include "DemoSong.h"

#include "Errors.h"

namespace pelgra::play {

// Placeholder until the module writer of tools/gen is available.
void writeDemoSong(const std::string& path) {
    throw Failure("cannot write " + path + ": no module writer yet");
}

} // namespace pelgra::play
