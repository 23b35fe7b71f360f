// A stand-in of the audio library that records every call the engine makes, so the
// tests can pin the engine's exact call sequences.
#ifndef PELGRA_TESTS_RECORDING_AUDIO_H
#define PELGRA_TESTS_RECORDING_AUDIO_H

#include "PelgraAudio.h"

#include <string>
#include <vector>

namespace recording {

// Each call as text, for example "FSOUND_Sample_Load(-1, boom.wav, 0x130, 0, 0)".
// Handles appear as "sample#N" and "song#N", null as "null".
extern std::vector<std::string> calls;

// What the next calls answer.
extern int initResult;    // FSOUND_Init
extern bool loadsSucceed; // FSOUND_Sample_Load and FMUSIC_LoadSong

// Clears the calls, restores the default answers (success) and puts the engine back
// to not started.
void reset();

FSOUND_SAMPLE* sampleHandle(int n);
FMUSIC_MODULE* songHandle(int n);

} // namespace recording

#endif
