/* Pelgra audio library: the C interface.
 *
 * A software mixer with device output, sample decoding and music playback. Sound
 * effects are samples played on numbered voices; songs are music modules, each one
 * more source in the mixer, untouched by the sound-effect calls.
 *
 * Errors: no call crashes on bad input. Calls that produce a handle return NULL on
 * failure; calls that return int return 0 (or -1 where a voice number is expected)
 * when they did nothing. A failure loses nothing and leaves the library as it was.
 * PelgraAudio_GetError() then says why, as one of the PELGRA_AUDIO_ERR_ codes below.
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
 * A child forked while the library runs (POSIX) copies it without its threads: the
 * child may only call FSOUND_Close, and then FSOUND_Init anew. Fork while no other
 * thread is inside a library call.
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

/* Why a call failed: what PelgraAudio_GetError() returns. Each call that fails notes the
 * reason for the calling thread; the calls that may give a code are named with it. */
#define PELGRA_AUDIO_ERR_NONE 0 /* no call of this thread has failed yet */
/* The library does not run: a call before FSOUND_Init or after FSOUND_Close. */
#define PELGRA_AUDIO_ERR_UNINITIALIZED 1
/* FSOUND_Init or PelgraAudio_SetOutput while the library runs. */
#define PELGRA_AUDIO_ERR_INITIALIZED 2
/* An argument out of its range: a rate, a voice count or number, a slot other than
 * FSOUND_FREE, an offset or length outside the file, a NULL name or pointer. */
#define PELGRA_AUDIO_ERR_INVALID_PARAM 3
/* A sample or song handle that is NULL, freed, stale, forged or of the other kind. */
#define PELGRA_AUDIO_ERR_INVALID_HANDLE 4
/* Sample_Load, LoadSong: no file of that name, or it is not a regular file (a folder). */
#define PELGRA_AUDIO_ERR_FILE_NOTFOUND 5
/* Sample_Load, LoadSong: the file is empty, cut short or damaged, or its header claims
 * an impossible rate. */
#define PELGRA_AUDIO_ERR_FILE_BAD 6
/* Sample_Load, LoadSong: the file is of no format the library reads as a sample (or as
 * a song); also every load of a kind this build of the library left out. */
#define PELGRA_AUDIO_ERR_FILE_FORMAT 7
/* Sample_Load, LoadSong: the file would decode to more than 2^27 floats (a sample) or
 * is larger than 64 MiB (a song). */
#define PELGRA_AUDIO_ERR_FILE_TOO_LARGE 8
/* Sample_Load: the file has more than two channels; samples are mono or stereo. */
#define PELGRA_AUDIO_ERR_TOO_MANY_CHANNELS 9
/* LoadSong: a MIDI file, and no SoundFont 2 file at $PELGRA_SOUNDFONT (or, unset, the
 * General MIDI one installed) to play it with. */
#define PELGRA_AUDIO_ERR_NO_SOUNDFONT 10
/* FSOUND_Init: the output could not be opened (no sound device, say). */
#define PELGRA_AUDIO_ERR_OUTPUT 11
/* FSOUND_Init, PelgraAudio_SetOutput: the output name (given, or in PELGRA_AUDIO_OUTPUT)
 * is none of "sdl", "null" and "manual", or this build lacks it. */
#define PELGRA_AUDIO_ERR_UNKNOWN_OUTPUT 12
/* PlaySound, SetPaused, StopSound: the command queue to the audio thread is full (over
 * 4000 calls between two mixes). PelgraAudio_Render: another thread's render is in
 * progress. */
#define PELGRA_AUDIO_ERR_BUSY 13
/* Sample_Load, LoadSong: 65535 samples, or 65535 songs, loaded already. PlaySong: 64
 * songs playing (or fading out after a stop) already. */
#define PELGRA_AUDIO_ERR_LIMIT 14
/* Memory, or a thread, could not be had. */
#define PELGRA_AUDIO_ERR_MEMORY 15
/* Anything else the library did not expect. */
#define PELGRA_AUDIO_ERR_INTERNAL 16

/* ---- Lifecycle ---------------------------------------------------------------- */

/* Opens the output at mixRate Hz (8000..192000), stereo, with maxSoftwareChannels
 * sound-effect voices (1..1024). flags: 0. Returns 1 when the library runs
 * afterwards, 0 on failure (bad arguments, the output could not be opened, or the
 * library already runs).
 * Blocks: on opening the device (SDL2) and starting the output's thread, under the lock. */
PELGRA_AUDIO_API int FSOUND_Init(int mixRate, int maxSoftwareChannels, unsigned int flags);

/* Stops every voice and song, frees every sample and song still loaded and closes
 * the output. Harmless when the library does not run. In a forked child, for the run
 * its parent started: lets go of the child's copy without stopping it (its threads are
 * the parent's; the parent's device is left alone) and leaks the copy's memory; the
 * child may then FSOUND_Init anew.
 * Blocks: until a callback in progress ends, the device closes and the song worker
 * has let go of each song, under the lock; in a forked child, never. */
PELGRA_AUDIO_API void FSOUND_Close(void);

/* Master volume of the sound-effect voices: 0..255, clamped. Songs are untouched
 * (PelgraAudio_SetMusicVolume sets theirs). A change glides over one block of 256
 * frames. Returns 1 when set, 0 when the library does not run.
 * Blocks: never. */
PELGRA_AUDIO_API int FSOUND_SetSFXMasterVolume(int volume);

/* An extension, its pair for music: the volume of every song, 0..255, clamped; sound
 * effects are untouched. Songs start at 255 with each FSOUND_Init. A change glides over
 * one block of 256 frames, as the effects' volume does. Returns 1 when set, 0 when the
 * library does not run.
 * Blocks: never. */
PELGRA_AUDIO_API int PelgraAudio_SetMusicVolume(int volume);

/* The reason of the calling thread's latest failed call: an PELGRA_AUDIO_ERR_ code. A call
 * that succeeds leaves it as it was, and so does reading it; PELGRA_AUDIO_ERR_NONE until a
 * call of this thread fails. Works before FSOUND_Init and after FSOUND_Close.
 * Blocks: never; takes no lock. */
PELGRA_AUDIO_API int PelgraAudio_GetError(void);

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

/* A short English text for an PELGRA_AUDIO_ERR_ code, such as "file not found"; for a value
 * that is no code, "unknown error code". Never NULL; the text is the library's own and
 * lives as long as the process.
 * Blocks: never; takes no lock. */
PELGRA_AUDIO_API const char* PelgraAudio_GetErrorString(int code);

/* Chooses the output for the next FSOUND_Init, overriding PELGRA_AUDIO_OUTPUT:
 * "sdl" (the default: the SDL2 audio device), "null" (mixed in real time by a thread
 * of the library and discarded) or "manual" (mixed only by PelgraAudio_Render).
 * NULL returns to the environment's choice. Returns 1 when accepted, 0 for a name
 * this build has no output for (a build without SDL2 has no "sdl"), as FSOUND_Init
 * refuses such a name in PELGRA_AUDIO_OUTPUT, or while the library runs.
 * Blocks: never. */
PELGRA_AUDIO_API int PelgraAudio_SetOutput(const char* name);

/* With the manual output: mixes frames stereo frames into interleavedStereo
 * (2 * frames floats). Returns the frames written; 0 when the library does not run
 * with the manual output (PELGRA_AUDIO_ERR_UNINITIALIZED), for a NULL buffer or a negative
 * count (PELGRA_AUDIO_ERR_INVALID_PARAM), or while another thread's render is in progress
 * (PELGRA_AUDIO_ERR_BUSY).
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
    float gainReductionDb; /* the limiter's deepest gain reduction in the last callback,
                              in dB: 0 when it let everything through, 6 when it halved */
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

/* The limiter at the end of the mix, on at every start: it holds peaks to -0.05 dBFS
 * with 2 ms of look-ahead, so the output is 2 ms late (rounded up to a multiple of 16
 * frames, at least 32; 96 frames at 48 kHz) and loud sums come out lowered, not
 * flattened. Below that level
 * it changes nothing. enabled 0 switches it off, for an application that masters its
 * own mix (sums are then clipped to -1..1); 1 switches it back on. Takes effect at the
 * next callback: the switch drops the frames in the look-ahead, or inserts that much
 * silence, so make it before sounds play. Returns 1 when done, 0 when the library
 * does not run.
 * Blocks: never. */
PELGRA_AUDIO_API int PelgraAudio_SetLimiter(int enabled);

#ifdef __cplusplus
}
#endif

#endif
