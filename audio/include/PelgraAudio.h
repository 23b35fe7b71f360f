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
 * once. The audio thread never waits for an application thread, takes a lock one can
 * hold, allocates memory or touches a file, and each callback applies at most the
 * commands queued when it began, each at a cost independent of the number of voices.
 * Calls share one library lock, held for microseconds: no call holds it while it
 * reads or decodes a file or waits for the song worker. Each call below says in one
 * line ("Blocks:") what it may wait for beyond that lock; the only waits for the audio
 * thread are for the end of a mix in progress (one callback's work at most), when a
 * song leaves the mixer and when the library closes.
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
 * library already runs).
 * Blocks: on opening the device (SDL2) and starting the output's thread, under the lock. */
PELGRA_AUDIO_API int FSOUND_Init(int mixRate, int maxSoftwareChannels, unsigned int flags);

/* Stops every voice and song, frees every sample and song still loaded and closes
 * the output. Harmless when the library does not run.
 * Blocks: until a callback in progress ends, the device closes and the song worker
 * has let go of each song, under the lock. */
PELGRA_AUDIO_API void FSOUND_Close(void);

/* Master volume of the sound-effect voices: 0..255, clamped; the change glides over
 * one mixing block. Songs are untouched. Returns 1 when set, 0 when the library does
 * not run.
 * Blocks: never. */
PELGRA_AUDIO_API int FSOUND_SetSFXMasterVolume(int volume);

/* ---- Sound effects ------------------------------------------------------------ */

/* Decodes the file name and resamples it to the mixing rate. index: FSOUND_FREE (any
 * other value is refused). mode: FSOUND_NORMAL, plus FSOUND_LOOP_NORMAL to loop.
 * offset and length: 0 for the whole file; otherwise the first frame and the number
 * of frames of the file to keep (length 0: to the end). Returns NULL when the file
 * cannot be read or decoded.
 * Blocks: on reading and decoding the file, outside the lock (opening files goes one
 * thread at a time). */
PELGRA_AUDIO_API FSOUND_SAMPLE* FSOUND_Sample_Load(int index, const char* name, unsigned int mode,
                                                   int offset, int length);

/* Frees the sample; voices playing it fade out first, and its memory goes once the
 * audio thread has let go of it (at this or a later call). Returns 1 when freed, 0 for
 * NULL, freed or unknown handles.
 * Blocks: never. */
PELGRA_AUDIO_API int FSOUND_Sample_Free(FSOUND_SAMPLE* sample);

/* Starts the sample. channel: FSOUND_FREE for a silent voice (a voice fading out after
 * a stop is taken only when none is silent, then the one that started longest ago)
 * or a voice number. A voice still heard fades out beneath the new start. Returns the
 * voice number, or -1 when nothing started (also when the command queue is full).
 * Blocks: never. */
PELGRA_AUDIO_API int FSOUND_PlaySound(int channel, FSOUND_SAMPLE* sample);

/* Pauses (paused 1) or resumes (paused 0) one voice or, with FSOUND_ALL, every
 * sound-effect voice, with a fade. Returns 1 when done, 0 otherwise (also when the
 * command queue is full).
 * Blocks: never. */
PELGRA_AUDIO_API int FSOUND_SetPaused(int channel, int paused);

/* Stops one voice or, with FSOUND_ALL, every sound-effect voice, with a fade. Returns
 * 1 when done, 0 otherwise (also when the command queue is full).
 * Blocks: never. */
PELGRA_AUDIO_API int FSOUND_StopSound(int channel);

/* ---- Songs -------------------------------------------------------------------- */

/* Opens a music module or MIDI file as a song and renders its beginning ahead, so
 * that FMUSIC_PlaySong starts it at once. As many as the handle table holds (65535)
 * may be loaded. Returns NULL when it is not a song the library can play.
 * Blocks: on reading and parsing the file and on the first render (bounded at 2 s),
 * outside the lock. */
PELGRA_AUDIO_API FMUSIC_MODULE* FMUSIC_LoadSong(const char* name);

/* Frees the song, stopping it first. Returns 1 when freed, 0 otherwise.
 * Blocks: until a mix in progress ends (under the lock) and the song worker has let
 * go of the song (outside it). */
PELGRA_AUDIO_API int FMUSIC_FreeSong(FMUSIC_MODULE* song);

/* Starts the song from its beginning, with a fade-in; songs loop. At least 64 songs
 * play at once; a start beyond the mixer's slots reuses the slot of a song whose stop
 * has faded out. Returns 1 when started, 0 when no slot is free.
 * Blocks: only to take a faded-out song out of the mixer, until a mix in progress ends. */
PELGRA_AUDIO_API int FMUSIC_PlaySong(FMUSIC_MODULE* song);

/* Stops the song with a fade-out and rewinds it. Returns 1 when done.
 * Blocks: never. */
PELGRA_AUDIO_API int FMUSIC_StopSong(FMUSIC_MODULE* song);

/* Pauses (paused 1) or resumes (paused 0) the song where it is. Returns 1 when done.
 * Blocks: never. */
PELGRA_AUDIO_API int FMUSIC_SetPaused(FMUSIC_MODULE* song, int paused);

/* Stops every song. Returns 1 when done.
 * Blocks: never. */
PELGRA_AUDIO_API int FMUSIC_StopAllSongs(void);

/* ---- Extensions ----------------------------------------------------------------- */

/* Chooses the output for the next FSOUND_Init, overriding PELGRA_AUDIO_OUTPUT:
 * "sdl" (the default: the SDL2 audio device), "null" (mixed in real time by a thread
 * of the library and discarded) or "manual" (mixed only by PelgraAudio_Render).
 * NULL returns to the environment's choice. Returns 1 when accepted, 0 for an
 * unknown name or while the library runs.
 * Blocks: never. */
PELGRA_AUDIO_API int PelgraAudio_SetOutput(const char* name);

/* With the manual output: mixes frames stereo frames into interleavedStereo
 * (2 * frames floats). Returns the frames written; 0 when the library does not run
 * with the manual output, or while another thread's render is in progress.
 * Blocks: until songs have rendered the frames asked for (bounded), so that the mix is
 * the one a real-time output would make; takes no lock. */
PELGRA_AUDIO_API int PelgraAudio_Render(float* interleavedStereo, int frames);

typedef struct PelgraAudioStats {
    unsigned long long framesMixed;        /* output frames mixed */
    unsigned long long callbacks;          /* mixing callbacks run */
    unsigned int longestCallbackMicros;    /* longest time spent in one callback */
    unsigned int longestGapMicros;         /* longest time between two callback starts */
    unsigned int bufferFrames;             /* frames the output asks for per callback */
    int mixRate;                           /* mixing rate in Hz, 0 when not running */
    int voicesInUse;                       /* sound-effect voices playing or paused */
    int samplesAlive;                      /* samples loaded and not yet freed */
    int songsAlive;                        /* songs loaded and not yet freed */
    int songsPlaying;                      /* songs playing or paused (not stopped) */
    float peakLeft, peakRight;             /* output peak of the last callback, 0..1 */
    unsigned int longestCallbackCpuMicros; /* most CPU time of the audio thread in one
                                            * callback; 0 unless PelgraAudio_SetCpuTiming */
} PelgraAudioStats;

/* Fills *stats with the figures since the start or the last reset. Returns 1, or 0
 * for a NULL pointer. Works before the start too (all zero).
 * Blocks: never. */
PELGRA_AUDIO_API int PelgraAudio_GetStats(PelgraAudioStats* stats);

/* Restarts the counting of frames, callbacks and the longest times.
 * Blocks: never. */
PELGRA_AUDIO_API void PelgraAudio_ResetStats(void);

/* Measures the audio thread's CPU time in each callback (on: 1) for
 * longestCallbackCpuMicros, now and in later runs. Off by default: reading a thread's
 * CPU clock is a system call, dearer than a callback with nothing to mix. Returns 1.
 * Blocks: never. */
PELGRA_AUDIO_API int PelgraAudio_SetCpuTiming(int on);

#ifdef __cplusplus
}
#endif

#endif
