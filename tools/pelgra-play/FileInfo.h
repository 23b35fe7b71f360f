// What a file holds, found without playing it: the facts --info prints, and the length
// the offline renderer needs for a sound that ends by itself.
#ifndef PELGRA_PLAY_FILE_INFO_H
#define PELGRA_PLAY_FILE_INFO_H

#include <optional>
#include <string>

namespace pelgra::play {

enum class SoundKind {
    Sample, // a recording: plays as a sound effect
    Module, // a tracker module: plays as a song
    Midi,   // a Standard MIDI file: plays as a song
};

struct FileInfo {
    SoundKind kind = SoundKind::Sample;
    std::string format;                 // e.g. "WAV (Microsoft), Signed 16 bit PCM"
    std::string title;                  // empty when the file names none
    int channels = 0;                   // audio channels; tracker or MIDI channels for songs
    std::optional<int> rate;            // sample rate; songs have none of their own
    std::optional<double> seconds;      // one pass, without looping; unset when unknown
    std::optional<std::string> refusal; // why the engine would not play it
};

// Throws Failure when path is missing or unreadable, or holds nothing the player knows.
FileInfo probeFile(const std::string& path);

// probeFile, then the engine's own verdict: it loads the file as the player would, and
// the kind (or the refusal) is what it made of it. The engine must be running.
FileInfo probeFileWithEngine(const std::string& path);

// The lines --info prints for one file.
std::string describe(const std::string& path, const FileInfo& info);

} // namespace pelgra::play

#endif
