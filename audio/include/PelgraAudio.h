/* Pelgra audio library: the C interface.
 *
 * A software mixer with device output, sample decoding and music playback. Sound
 * effects are samples played on numbered voices; songs are music modules, each one
 * more source in the mixer, untouched by the sound-effect calls.
 *
 * Errors: no call crashes on bad input. Calls that produce a handle return NULL on
 * failure; calls that return int return 0 (or -1 where a voice number is expected)
 * when they did nothing. A failure loses nothing and leaves the library as it was.
 * Handles are checked against the library's own table: NULL, freed, stale and
 * never-issued handles are refused. Every call made before FSOUND_Init or after
 * FSOUND_Close is refused the same way.
 *
 * Threads: every call may be made from any application thread, also from several at
 * once. No call waits for the audio thread, and the audio thread never waits for an
 * application thread, allocates memory or touches a file.
 */
#ifndef PELGRA_AUDIO_H
#define PELGRA_AUDIO_H

#if defined(PELGRA_AUDIO_STATIC)
#define PELGRA_AUDIO_API
#elif defined(_WIN32) || defined(__CYGWIN__)
#if defined(PELGRA_AUDIO_BUILDING)
#define PELGRA_AUDIO_API __declspec(dllexport)
#else
#define PELGRA_AUDIO_API __declspec(dllimport)
#endif
#else
#define PELGRA_AUDIO_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* A loaded sample and a loaded song. Opaque: the values are table entries, never
 * pointers to be read. */
typedef struct FSOUND_SAMPLE FSOUND_SAMPLE;
typedef struct FMUSIC_MODULE FMUSIC_MODULE;

/* Slot and voice selectors. */
#define FSOUND_FREE (-1) /* any free sample slot or voice */
#define FSOUND_ALL (-3)  /* every sound-effect voice */

/* Sample modes. The format bits describe raw data; files that describe themselves
 * (every format the library reads) keep their own format. */
#define FSOUND_LOOP_OFF 0x0001u
#define FSOUND_LOOP_NORMAL 0x0002u /* loop forward, endlessly */
#define FSOUND_16BITS 0x0010u
#define FSOUND_MONO 0x0020u
#define FSOUND_SIGNED 0x0100u
#define FSOUND_NORMAL (FSOUND_16BITS | FSOUND_SIGNED | FSOUND_MONO) /* 0x130 */

/* Limits of the arguments of FSOUND_Init and FSOUND_SetSFXMasterVolume. */
#define PELGRA_AUDIO_MIN_RATE 8000
#define PELGRA_AUDIO_MAX_RATE 192000
#define PELGRA_AUDIO_MAX_VOICES 1024
#define PELGRA_AUDIO_MAX_VOLUME 255

/* ---- Lifecycle ---------------------------------------------------------------- */

/* Opens the output at mixRate Hz (8000..192000), stereo, with maxSoftwareChannels
 * sound-effect voices (1..1024). flags: 0. Returns 1 when the library runs
 * afterwards, 0 on failure (bad arguments, the output could not be opened, or the
 * library already runs). */
PELGRA_AUDIO_API int FSOUND_Init(int mixRate, int maxSoftwareChannels, unsigned int flags);

/* Stops every voice and song, frees every sample and song still loaded and closes
 * the output. Harmless when the library does not run. */
PELGRA_AUDIO_API void FSOUND_Close(void);

/* Master volume of the sound-effect voices: 0..255, clamped. Songs are untouched.
 * Returns 1 when set, 0 when the library does not run. */
PELGRA_AUDIO_API int FSOUND_SetSFXMasterVolume(int volume);

/* ---- Sound effects ------------------------------------------------------------ */

/* Decodes the file name and resamples it to the mixing rate. index: FSOUND_FREE (any
 * other value is refused). mode: FSOUND_NORMAL, plus FSOUND_LOOP_NORMAL to loop.
 * offset and length: 0 for the whole file; otherwise the first frame and the number
 * of frames of the file to keep (length 0: to the end). Returns NULL when the file
 * cannot be read or decoded. */
PELGRA_AUDIO_API FSOUND_SAMPLE* FSOUND_Sample_Load(int index, const char* name, unsigned int mode,
                                                   int offset, int length);

/* Frees the sample; voices playing it stop first. Returns 1 when freed, 0 for NULL,
 * freed or unknown handles. */
PELGRA_AUDIO_API int FSOUND_Sample_Free(FSOUND_SAMPLE* sample);

/* Starts the sample. channel: FSOUND_FREE for any free voice (when every voice is
 * busy, the one that started longest ago is taken over) or a voice number. Returns
 * the voice number, or -1 when nothing started. */
PELGRA_AUDIO_API int FSOUND_PlaySound(int channel, FSOUND_SAMPLE* sample);

/* Pauses (paused 1) or resumes (paused 0) one voice or, with FSOUND_ALL, every
 * sound-effect voice. Returns 1 when done, 0 otherwise. */
PELGRA_AUDIO_API int FSOUND_SetPaused(int channel, int paused);

/* Stops one voice or, with FSOUND_ALL, every sound-effect voice. Returns 1 when done,
 * 0 otherwise. */
PELGRA_AUDIO_API int FSOUND_StopSound(int channel);

/* ---- Songs -------------------------------------------------------------------- */

/* Opens a music module file as a song. Returns NULL when it is not a song the
 * library can play. */
PELGRA_AUDIO_API FMUSIC_MODULE* FMUSIC_LoadSong(const char* name);

/* Frees the song, stopping it first. Returns 1 when freed, 0 otherwise. */
PELGRA_AUDIO_API int FMUSIC_FreeSong(FMUSIC_MODULE* song);

/* Starts the song from its beginning; songs loop. Returns 1 when started. */
PELGRA_AUDIO_API int FMUSIC_PlaySong(FMUSIC_MODULE* song);

/* Stops the song and rewinds it. Returns 1 when done. */
PELGRA_AUDIO_API int FMUSIC_StopSong(FMUSIC_MODULE* song);

/* Pauses (paused 1) or resumes (paused 0) the song where it is. Returns 1 when done. */
PELGRA_AUDIO_API int FMUSIC_SetPaused(FMUSIC_MODULE* song, int paused);

/* Stops every song. Returns 1 when done. */
PELGRA_AUDIO_API int FMUSIC_StopAllSongs(void);

/* ---- Extensions ----------------------------------------------------------------- */

/* Chooses the output for the next FSOUND_Init, overriding PELGRA_AUDIO_OUTPUT:
 * "sdl" (the default: the SDL2 audio device), "null" (mixed in real time by a thread
 * of the library and discarded) or "manual" (mixed only by PelgraAudio_Render).
 * NULL returns to the environment's choice. Returns 1 when accepted, 0 for an
 * unknown name or while the library runs. */
PELGRA_AUDIO_API int PelgraAudio_SetOutput(const char* name);

/* With the manual output: mixes frames stereo frames into interleavedStereo
 * (2 * frames floats). Returns the frames written; 0 when the library does not run
 * with the manual output. Call it from one thread at a time. */
PELGRA_AUDIO_API int PelgraAudio_Render(float* interleavedStereo, int frames);

typedef struct PelgraAudioStats {
    unsigned long long framesMixed;     /* output frames mixed */
    unsigned long long callbacks;       /* mixing callbacks run */
    unsigned int longestCallbackMicros; /* longest time spent in one callback */
    unsigned int longestGapMicros;      /* longest time between two callback starts */
    unsigned int bufferFrames;          /* frames the output asks for per callback */
    int mixRate;                        /* mixing rate in Hz, 0 when not running */
    int voicesInUse;                    /* sound-effect voices playing or paused */
    int samplesAlive;                   /* samples loaded and not yet freed */
    int songsAlive;                     /* songs loaded and not yet freed */
    int songsPlaying;                   /* songs playing or paused (not stopped) */
    float peakLeft, peakRight;          /* output peak of the last callback, 0..1 */
} PelgraAudioStats;

/* Fills *stats with the figures since the start or the last reset. Returns 1, or 0
 * for a NULL pointer. Works before the start too (all zero). */
PELGRA_AUDIO_API int PelgraAudio_GetStats(PelgraAudioStats* stats);

/* Restarts the counting of frames, callbacks and the longest times. */
PELGRA_AUDIO_API void PelgraAudio_ResetStats(void);

#ifdef __cplusplus
}
#endif

#endif
