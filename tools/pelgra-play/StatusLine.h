// What the player shows while it plays: one line redrawn in place on a terminal, plain
// lines anywhere else (a pipe, a log file).
#ifndef PELGRA_PLAY_STATUS_LINE_H
#define PELGRA_PLAY_STATUS_LINE_H

#include "PelgraAudio.h"

#include <cstdio>
#include <optional>
#include <string>

namespace pelgra::play {

struct Status {
    double seconds = 0.0;         // time played, pauses not counted; a song's place in its file
    std::optional<double> length; // of what is playing, when known
    std::string title;            // what is playing
    int voicesInUse = 0;
    int voices = 0;
    float peakLeft = 0.0f;
    float peakRight = 0.0f;
    bool paused = false;
    bool deviceLost = false; // the sound device went; the library keeps time without it
};

// "00:03.2 / 00:07.6  laser.wav  voices 2/32  L[=======   ] R[======    ]" (without
// the length when it is unknown), with "  paused" added while paused and "  device lost"
// while no device plays. A song's clock shows its place in its file, going back where it
// loops: "01:02.3 / 03:00.0".
std::string formatStatus(const Status& status);

// What to tell the listener when the sound device went or came back between two looks
// at the output's state: "device lost: keeping time", "device back: <name>", or ""
// when nothing changed.
std::string deviceChange(const PelgraAudioOutputState& before, const PelgraAudioOutputState& now);

// A peak level 0..1 as a bar of width characters on a decibel scale, -60 dBFS empty.
std::string levelBar(float peak, int width);

class StatusLine {
public:
    // redraw: draw in place (a terminal) rather than print plain lines.
    StatusLine(std::FILE* out, bool redraw);
    ~StatusLine();
    StatusLine(const StatusLine&) = delete;
    StatusLine& operator=(const StatusLine&) = delete;

    // Shows the status: redrawn when drawing in place, otherwise as a new line at most
    // once a second of play, on every pause or resume, and for each new title.
    void show(const Status& status);

    // Prints a line of its own, below the status line when one is drawn.
    void say(const std::string& line);

private:
    void endLine();

    std::FILE* m_out;
    bool m_redraw;
    bool m_lineOpen = false;
    long m_lastSecond = -1;
    bool m_lastPaused = false;
    std::string m_lastTitle;
};

} // namespace pelgra::play

#endif
