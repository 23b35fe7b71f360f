/* A stand-in of the audio library that records every call the engine makes, so that the
 * engine's tests can pin its exact call sequences. Plain C, so that both ABIs' trees build
 * it: linked into the Linux engine tests beside the engine's sources, and built as a DLL
 * of the audio library's name for the Microsoft-ABI tests, which the engine DLL calls
 * across the DLL boundary as it would the real one. Besides the audio library's calls it
 * exports these. */
#ifndef PELGRA_TESTS_RECORDING_AUDIO_H
#define PELGRA_TESTS_RECORDING_AUDIO_H

#include "PelgraAudio.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Every call since the last clear, one a line, for example
 * "FSOUND_Sample_Load(-1, boom.wav, 0x130, 0, 0)\n". Handles appear as "sample#N" and
 * "song#N", null as "null". */
PELGRA_AUDIO_API const char* RecordingAudio_Calls(void);
PELGRA_AUDIO_API void RecordingAudio_ClearCalls(void);
/* What FSOUND_Init returns, and whether the loads succeed; the default is success. */
PELGRA_AUDIO_API void RecordingAudio_SetAnswers(int initResult, int loadsSucceed);
/* Clears the calls, restores the default answers and numbers handles from 1 again. */
PELGRA_AUDIO_API void RecordingAudio_Reset(void);

#ifdef __cplusplus
}
#endif

#endif
