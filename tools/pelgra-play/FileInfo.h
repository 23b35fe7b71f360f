// What a file holds, as the audio library tells it once it has loaded the file: the
// facts --info prints, and the length the offline renderer needs for a sound that ends
// by itself.
#ifndef PELGRA_PLAY_FILE_INFO_H
#define PELGRA_PLAY_FILE_INFO_H

#include <optional>
#include <string>
#include <utility>

namespace pelgra::play {

// Recordings at least this long play as streamed songs, shorter ones as sound effects:
// music runs for minutes, an effect for seconds.
constexpr double kStreamedSeconds = 20.0;

enum class SoundKind {
    Sample, // a short recording: plays as a sound effect
    Stream, // a long recording: plays as a song, streamed from the file
    Module, // a tracker module: plays as a song
    Midi,   // a Standard MIDI file: plays as a song
};

struct FileInfo {
    SoundKind kind = SoundKind::Sample;
    std::string format;            // the library's name for it ("WAV", "XM module"); may be empty
    std::string title;             // empty when the file names none
    int channels = 0;              // of the file; 2 for songs the library renders
    std::optional<int> rate;       // a recording's own rate; songs rendered have none
    std::optional<double> seconds; // one pass, without looping; unset when unknown
    std::optional<std::string> refusal; // why the engine would not play it
    // Recordings: the seconds [start, end) that repeat after the first pass, when tagged.
    std::optional<std::pair<double, double>> loop;
};

// Loads the file into the running engine as the player would (and lets it go again), and
// says what the audio library made of it. Throws Failure when path is missing, a folder,
// or holds nothing the library knows.
FileInfo probeFile(const std::string& path);

// The lines --info prints for one file.
std::string describe(const std::string& path, const FileInfo& info);

} // namespace pelgra::play

#endif
