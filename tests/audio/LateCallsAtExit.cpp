// A program whose static destructor runs the library after every static object the
// library made for itself is gone: it starts the library, loads, plays and frees a song
// and a sample, and closes. Exits 0 when every call worked; under AddressSanitizer any
// use of freed state fails it.
#include "DemoSongs.h"
#include "PelgraAudio.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

std::string songPath() {
    return "/tmp/pelgra-late-calls-" + std::to_string(getpid()) + ".mod";
}

// Runs the library once; false when a call failed.
bool useTheLibrary() {
    PelgraAudio_SetOutput("manual");
    if (FSOUND_Init(48000, 8, 0) != 1) {
        return false;
    }
    FMUSIC_MODULE* song = FMUSIC_LoadSong(songPath().c_str());
    std::vector<float> out(2 * 1024);
    const bool worked = song != nullptr && FMUSIC_PlaySong(song) == 1 &&
                        PelgraAudio_Render(out.data(), 1024) == 1024 && FMUSIC_FreeSong(song) == 1;
    FSOUND_Close();
    return worked;
}

// Constructed before main, so destroyed after the library's own statics made in main.
struct LateCaller {
    ~LateCaller() {
        const bool worked = useTheLibrary();
        std::remove(songPath().c_str());
        if (!worked) {
            std::fputs("a call from a static destructor failed\n", stderr);
            std::_Exit(1);
        }
    }
} g_lateCaller;

} // namespace

int main() {
    if (!pelgra::gen::writeFile(songPath(), pelgra::gen::makeDemoModule())) {
        return 1;
    }
    return useTheLibrary() ? 0 : 1;
}
