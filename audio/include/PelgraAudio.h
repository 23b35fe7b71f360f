/* Pelgra audio library: the C interface.
 *
 * A software mixer with device output, sample decoding and music playback. Sound
 * effects are samples played on numbered voices. Songs are music: tracker modules,
 * Standard MIDI files, and recordings streamed from their files (FMUSIC_LoadSong says
 * which file is which); each song is one more source in the mixer, untouched by the
 * sound-effect calls.
 *
 * Each call below has one block: what it does, then "Returns:", "Errors:" (the
 * PELGRA_AUDIO_ERR_ codes its failures give), "Blocks:" and, where they need one, a
 * word on threads.
 *
 * Errors: no call crashes on bad input. Calls that produce a handle return NULL on
 * failure; calls that return int return 0 (or -1 where a voice number is expected)
 * when they did nothing. A failure loses nothing and leaves the library as it was.
 * PelgraAudio_GetError(), called next on the same thread, then says why. Besides the
 * codes its "Errors:" line lists, any call that can fail except PelgraAudio_Render may
 * give PELGRA_AUDIO_ERR_INTERNAL, a fault the library never expects. Handles are checked
 * against the library's own table: NULL, freed, stale and never-issued handles are
 * refused. Every call that needs the library running is refused before FSOUND_Init and
 * after FSOUND_Close, with PELGRA_AUDIO_ERR_UNINITIALIZED.
 *
 * Threads: every call may be made from any application thread, also from several at
 * once. The audio thread never waits for an application thread, takes a lock one can
 * hold, allocates memory or touches a file, and each callback applies at most the
 * commands queued when it began, each at a cost independent of the number of voices.
 * Calls share one library lock, held for microseconds except where a "Blocks:" line
 * says a call waits under it: no call holds it while it reads or decodes a file or
 * waits for the song worker (the one thread that renders every song ahead of the mix).
 * Each call says in its "Blocks:" line what it may wait for beyond that lock; the only
 * waits for the audio thread are for the end of a mix in progress (one callback's work
 * at most), when a song leaves the mixer and when the library closes.
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
/* The longest fade of PelgraAudio_FadeSong and PelgraAudio_FadeSongOut: ten minutes. */
#define PELGRA_AUDIO_MAX_FADE_MILLIS 600000

/* Limits of a voice's own pan and pitch (PelgraAudio_SetVoicePan, PelgraAudio_SetVoicePitch). */
#define PELGRA_AUDIO_PAN_LEFT (-128)
#define PELGRA_AUDIO_PAN_CENTRE 0
#define PELGRA_AUDIO_PAN_RIGHT 127
#define PELGRA_AUDIO_MIN_PITCH 0.25f
#define PELGRA_AUDIO_MAX_PITCH 4.0f

/* The library's other fixed figures, stated here once; the calls below refer to them.
 *
 * Command queue: 8192 commands. FSOUND_PlaySound, FSOUND_SetPaused, FSOUND_StopSound and
 * PelgraAudio_SetVoiceVolume, _SetVoicePan and _SetVoicePitch each queue one command for
 * the audio thread, with FSOUND_ALL too, and each mix applies
 * all those queued when it began. So 8192 such calls succeed between two mixes and the
 * next one fails with PELGRA_AUDIO_ERR_BUSY. A real-time output mixes every bufferFrames
 * frames (PelgraAudioStats); the manual output at each PelgraAudio_Render.
 *
 * Loaded at once: 65535 samples, and 65535 songs besides.
 *
 * Songs heard at once: 64, the mixer's song slots. A song takes a slot at
 * FMUSIC_PlaySong and holds it while it plays or is paused, and after a stop until its
 * fade-out has been mixed and another song's start needs the slot.
 *
 * Sample size: 2^27 floats (512 MiB) decoded, both at the file's own rate and at the
 * mixing rate (there counting 64 frames of room for the resampler): 2^26 stereo or 2^27
 * mono frames, about 23 minutes of stereo at 48 kHz.
 *
 * Song file size: 64 MiB (67108864 bytes) for module and MIDI files, which are read
 * whole. Streamed recordings have no cap: they are read a little at a time.
 *
 * Waits for the song worker: 2 s at most, by FMUSIC_LoadSong for a song's first render
 * and by PelgraAudio_Render for each song in each mixing block.
 *
 * Mixing block: 256 frames. A volume change glides over one block.
 *
 * Fades: 4 ms (192 frames at 48 kHz): pauses, resumes and stops of voices and songs, a
 * song's start, and the sound a new start takes over.
 */

/* Why a call failed: what PelgraAudio_GetError() returns. Each call that fails notes the
 * reason for the calling thread; each call's own block lists the codes it may give. */
#define PELGRA_AUDIO_ERR_NONE 0 /* no call of this thread has failed yet */
/* The library does not run: FSOUND_Init has not succeeded, or FSOUND_Close came first
 * (also while a load was reading its file). For PelgraAudio_Render: it runs with
 * another output than "manual". */
#define PELGRA_AUDIO_ERR_UNINITIALIZED 1
/* The library runs, and the call needs it stopped. */
#define PELGRA_AUDIO_ERR_INITIALIZED 2
/* An argument out of its range (a rate, a voice count or number, a slot, an offset or
 * length, a frame count), or NULL where a name or pointer is needed. */
#define PELGRA_AUDIO_ERR_INVALID_PARAM 3
/* Not a live handle of the kind the call takes: NULL, freed, from an earlier run,
 * never issued, or a sample's where a song's is wanted (or the other way round). */
#define PELGRA_AUDIO_ERR_INVALID_HANDLE 4
/* No file of that name, or the name is empty or not a regular file (a folder, a named
 * pipe, a terminal or another device: refused at once, never waited on). */
#define PELGRA_AUDIO_ERR_FILE_NOTFOUND 5
/* The file is empty, cut short, damaged or unreadable, or its header claims what no
 * file holds (an impossible rate, more frames than its bytes can carry). */
#define PELGRA_AUDIO_ERR_FILE_BAD 6
/* The file is of no format the library reads for that call, or of one this build of
 * the library left out. */
#define PELGRA_AUDIO_ERR_FILE_FORMAT 7
/* The file is larger than the call takes: the sample size or the song file size above. */
#define PELGRA_AUDIO_ERR_FILE_TOO_LARGE 8
/* The file has more than two channels: the library plays mono and stereo only. */
#define PELGRA_AUDIO_ERR_TOO_MANY_CHANNELS 9
/* A MIDI file, and no SoundFont 2 file to play it with: none could be loaded from the
 * first of $PELGRA_SOUNDFONT (when set), soundfonts/default.sf2 in the folder of the
 * audio library's own file (where a game ships one beside the library), and on Linux
 * /usr/share/sounds/sf2/TimGM6mb.sf2. */
#define PELGRA_AUDIO_ERR_NO_SOUNDFONT 10
/* The output could not be started: no sound device, or its thread could not be had. */
#define PELGRA_AUDIO_ERR_OUTPUT 11
/* The chosen output is none this build has: a name other than "sdl", "null" and
 * "manual", or "sdl" in a build without SDL2. */
#define PELGRA_AUDIO_ERR_UNKNOWN_OUTPUT 12
/* The call would have to wait for the audio side, and does not: the command queue is
 * full, or another thread's PelgraAudio_Render is in progress. Try again after a mix. */
#define PELGRA_AUDIO_ERR_BUSY 13
/* One of the counts above is reached: samples or songs loaded, or songs heard at once. */
#define PELGRA_AUDIO_ERR_LIMIT 14
/* Memory, or the song worker's thread, could not be had. */
#define PELGRA_AUDIO_ERR_MEMORY 15
/* A fault the library never expects: a bug to report. */
#define PELGRA_AUDIO_ERR_INTERNAL 16
/* The system refused to open the file: too many files open (each streamed song keeps its
 * file open while loaded), no permission to read it, or another error of the system's.
 * A missing file is PELGRA_AUDIO_ERR_FILE_NOTFOUND. */
#define PELGRA_AUDIO_ERR_FILE_OPEN 17

/* ---- Lifecycle ---------------------------------------------------------------- */

/* Starts the library: opens the output chosen by PelgraAudio_SetOutput or
 * $PELGRA_AUDIO_OUTPUT ("sdl" when neither names one) at mixRate Hz
 * (PELGRA_AUDIO_MIN_RATE..PELGRA_AUDIO_MAX_RATE), stereo, with maxSoftwareChannels
 * sound-effect voices (1..PELGRA_AUDIO_MAX_VOICES). flags: unused; pass 0. Both volumes
 * start at PELGRA_AUDIO_MAX_VOLUME, and the limiter on.
 * Returns: 1 when the library runs afterwards; 0 when it did not start (nothing is left
 * open) or ran already (it runs on unchanged).
 * Errors: PELGRA_AUDIO_ERR_INVALID_PARAM (mixRate or maxSoftwareChannels out of range;
 * checked first), PELGRA_AUDIO_ERR_INITIALIZED, PELGRA_AUDIO_ERR_UNKNOWN_OUTPUT,
 * PELGRA_AUDIO_ERR_OUTPUT, PELGRA_AUDIO_ERR_MEMORY.
 * Blocks: on opening the device (SDL2) and starting the output's thread, under the lock. */
PELGRA_AUDIO_API int FSOUND_Init(int mixRate, int maxSoftwareChannels, unsigned int flags);

/* Stops the library: stops every voice and song, frees every sample and song still
 * loaded (their handles go stale) and closes the output. A load reading its file on
 * another thread meanwhile fails. Harmless when the library does not run. In a forked
 * child, for the run its parent started: lets go of the child's copy without stopping
 * it (its threads are the parent's; the parent's device is left alone) and leaks the
 * copy's memory; the child may then FSOUND_Init anew.
 * Returns: nothing.
 * Errors: none; it leaves PelgraAudio_GetError() as it was.
 * With the sdl output, a device whose close has not returned after 1 s (a sound server
 * that does not answer) is abandoned: its callback writes silence and never touches
 * the mix again, its thread and a little memory are left to end when the server
 * answers, and SDL's audio subsystem is then left initialised for it.
 * Blocks: until a mix in progress ends (a callback, or a PelgraAudio_Render on another
 * thread), the output has closed (with the sdl output, 1 s at most) and the song
 * worker has let go of each song, under the lock; in a forked child, never. */
PELGRA_AUDIO_API void FSOUND_Close(void);

/* Sets the master volume of the sound-effect voices: 0..PELGRA_AUDIO_MAX_VOLUME,
 * clamped. Songs are untouched (PelgraAudio_SetMusicVolume sets theirs). A change glides
 * over one mixing block while effects sound.
 * Returns: 1 when set; 0 when the library does not run.
 * Errors: PELGRA_AUDIO_ERR_UNINITIALIZED.
 * Blocks: never. */
PELGRA_AUDIO_API int FSOUND_SetSFXMasterVolume(int volume);

/* An extension, the pair of FSOUND_SetSFXMasterVolume for music: sets the volume of every
 * song, 0..PELGRA_AUDIO_MAX_VOLUME, clamped; sound effects are untouched. A change glides
 * over one mixing block while songs sound.
 * Returns: 1 when set; 0 when the library does not run.
 * Errors: PELGRA_AUDIO_ERR_UNINITIALIZED.
 * Blocks: never. */
PELGRA_AUDIO_API int PelgraAudio_SetMusicVolume(int volume);

/* Says why the calling thread's latest failed call failed. A call that succeeds leaves
 * the answer as it was, and so does reading it. Works at any time, also before
 * FSOUND_Init and after FSOUND_Close.
 * Returns: a PELGRA_AUDIO_ERR_ code; PELGRA_AUDIO_ERR_NONE until a call of this thread
 * fails.
 * Errors: none.
 * Blocks: never; takes no lock.
 * Threads: each thread has its own: ask on the thread that made the failed call. */
PELGRA_AUDIO_API int PelgraAudio_GetError(void);

/* ---- Sound effects ------------------------------------------------------------ */

/* Loads a sound effect: decodes the whole file name (WAV, AIFF, FLAC, Ogg Vorbis, Opus,
 * MP3 or another format libsndfile reads; mono or stereo) and resamples it to the mixing
 * rate. index: FSOUND_FREE (any other value is refused). mode: FSOUND_NORMAL, plus
 * FSOUND_LOOP_NORMAL to loop; the other bits are ignored. offset and length, in frames
 * at the file's own rate: the first frame kept (0: from the start) and how many are
 * kept (0, or more than there are: to the end). A looping sample at another rate than
 * the mixing rate loops as seamlessly as its file: it is resampled as one period of an
 * endless loop, its length rounded to whole frames at the mixing rate, which moves its
 * pitch by at most half a frame in that length (under a cent for loops longer than 20 ms
 * at 48 kHz).
 * A looping sample whose file names a loop (the first loop of a WAV file's smpl chunk;
 * LOOPSTART with LOOPEND or LOOPLENGTH in the comments of an Ogg Vorbis, Opus or FLAC
 * file) plays from its start through the loop's end once, then repeats the loop, as
 * seamlessly as a whole-file loop; its frames after the loop are not kept. A loop that
 * offset and length do not keep whole is ignored: the kept frames then loop whole, as
 * they do for a file that names no loop.
 * Returns: the sample's handle; NULL on failure.
 * Errors: PELGRA_AUDIO_ERR_UNINITIALIZED, PELGRA_AUDIO_ERR_INVALID_PARAM (index not
 * FSOUND_FREE, name NULL, offset negative or past the last frame, length negative),
 * PELGRA_AUDIO_ERR_FILE_NOTFOUND (also a pipe, a terminal or a device, refused at once),
 * PELGRA_AUDIO_ERR_FILE_OPEN, PELGRA_AUDIO_ERR_FILE_BAD (also a file cut short),
 * PELGRA_AUDIO_ERR_FILE_FORMAT (also for a module or MIDI file),
 * PELGRA_AUDIO_ERR_FILE_TOO_LARGE (over the sample size),
 * PELGRA_AUDIO_ERR_TOO_MANY_CHANNELS, PELGRA_AUDIO_ERR_LIMIT (samples loaded),
 * PELGRA_AUDIO_ERR_MEMORY.
 * Blocks: on reading and decoding the file, outside the lock; opening a file through
 * libsndfile goes one thread at a time. */
PELGRA_AUDIO_API FSOUND_SAMPLE* FSOUND_Sample_Load(int index, const char* name, unsigned int mode,
                                                   int offset, int length);

/* Frees the sample; its handle goes stale at once. Voices playing it fade out, and its
 * memory goes once the audio thread has let go of it: at this call, at a later
 * FSOUND_Sample_Load or FSOUND_Sample_Free, or at FSOUND_Close.
 * Returns: 1 when freed; 0 otherwise.
 * Errors: PELGRA_AUDIO_ERR_UNINITIALIZED, PELGRA_AUDIO_ERR_INVALID_HANDLE,
 * PELGRA_AUDIO_ERR_MEMORY.
 * Blocks: never. */
PELGRA_AUDIO_API int FSOUND_Sample_Free(FSOUND_SAMPLE* sample);

/* Starts the sample from its beginning on a voice, heard from the next mix. channel: a
 * voice number (0 up to maxSoftwareChannels - 1), or FSOUND_FREE for a silent voice;
 * when none is silent, the one that started longest ago among those fading out after a
 * stop; when every voice plays, the one that started longest ago. A voice still heard
 * fades out beneath the new start.
 * Returns: the voice number; -1 when nothing started.
 * Errors: PELGRA_AUDIO_ERR_UNINITIALIZED, PELGRA_AUDIO_ERR_INVALID_HANDLE,
 * PELGRA_AUDIO_ERR_INVALID_PARAM (channel neither FSOUND_FREE nor a voice number),
 * PELGRA_AUDIO_ERR_BUSY (the command queue is full).
 * Blocks: never. */
PELGRA_AUDIO_API int FSOUND_PlaySound(int channel, FSOUND_SAMPLE* sample);

/* Pauses (paused 1) or resumes (paused 0) one voice or, with FSOUND_ALL, every
 * sound-effect voice started before the call, with a fade.
 * Returns: 1 when done; 0 otherwise.
 * Errors: PELGRA_AUDIO_ERR_UNINITIALIZED, PELGRA_AUDIO_ERR_INVALID_PARAM (channel neither
 * FSOUND_ALL nor a voice number), PELGRA_AUDIO_ERR_BUSY (the command queue is full).
 * Blocks: never. */
PELGRA_AUDIO_API int FSOUND_SetPaused(int channel, int paused);

/* Stops one voice or, with FSOUND_ALL, every sound-effect voice started before the call,
 * with a fade.
 * Returns: 1 when done; 0 otherwise.
 * Errors: PELGRA_AUDIO_ERR_UNINITIALIZED, PELGRA_AUDIO_ERR_INVALID_PARAM (channel neither
 * FSOUND_ALL nor a voice number), PELGRA_AUDIO_ERR_BUSY (the command queue is full).
 * Blocks: never. */
PELGRA_AUDIO_API int FSOUND_StopSound(int channel);

/* Extensions: a voice's own volume, pan and pitch. Each acts on what the voice plays when
 * the next mix begins, and glides there linearly over one mixing block so that no change
 * clicks; a setting made before anything of the voice's current start was mixed (in the
 * same mix as its FSOUND_PlaySound, say) holds from its first frame instead. Every
 * FSOUND_PlaySound starts the voice at PELGRA_AUDIO_MAX_VOLUME, PELGRA_AUDIO_PAN_CENTRE
 * and pitch 1, where it sounds exactly as without these calls. On a voice that plays
 * nothing the call succeeds and changes nothing that is heard. voice: a voice number as
 * FSOUND_PlaySound returns it (0 up to maxSoftwareChannels - 1); FSOUND_ALL is refused
 * (the master volume is there for every voice). Nothing is clamped: a value out of
 * range is refused.
 * Returns: 1 when queued; 0 otherwise.
 * Errors: PELGRA_AUDIO_ERR_UNINITIALIZED, PELGRA_AUDIO_ERR_INVALID_PARAM (voice not a
 * voice number, or the value out of range), PELGRA_AUDIO_ERR_BUSY (the command queue is
 * full).
 * Blocks: never. */

/* volume: 0..PELGRA_AUDIO_MAX_VOLUME, a gain of volume / 255 under the master volume of
 * FSOUND_SetSFXMasterVolume (the two multiply). */
PELGRA_AUDIO_API int PelgraAudio_SetVoiceVolume(int voice, int volume);

/* pan: PELGRA_AUDIO_PAN_LEFT (-128) .. PELGRA_AUDIO_PAN_CENTRE (0) .. PELGRA_AUDIO_PAN_RIGHT
 * (127), constant-power: the two sides' gains squared always add up to 2, with each side
 * at gain 1 in the centre (as a voice never panned) and, hard left, the left side at
 * 1.414 (+3 dB) and the right side silent (hard right the other way round). A mono
 * sample is placed between the sides; a stereo sample is balanced: its left channel
 * stays on the left side and its right on the right, each scaled by its side's gain, so
 * hard left plays only its left channel. */
PELGRA_AUDIO_API int PelgraAudio_SetVoicePan(int voice, int pan);

/* ratio: PELGRA_AUDIO_MIN_PITCH (0.25, two octaves down) .. PELGRA_AUDIO_MAX_PITCH (4.0,
 * two octaves up), the sample's frames played per frame of the mix; 1 plays it as
 * loaded. It changes speed and length with the pitch: a one-shot sample at 2.0 ends in
 * half its time. A looping sample goes round without a seam. Frames between the
 * sample's are interpolated (4-point cubic); raising the pitch does not filter the
 * sample first, so content above half the mixing rate divided by the ratio folds back. */
PELGRA_AUDIO_API int PelgraAudio_SetVoicePitch(int voice, float ratio);

/* ---- Songs -------------------------------------------------------------------- */

/* Loads a song, stopped, and renders its beginning ahead. A file that starts as a
 * recording does ("OggS", "fLaC", a RIFF or RF64 WAVE, an AIFF or AIFC FORM, an ID3 tag
 * or an MPEG layer III frame) is streamed, whatever its length: read and decoded a
 * little at a time while it plays. Ogg Vorbis, Opus, FLAC, WAV, AIFF and MP3 files,
 * mono or stereo, stream so; a streamed song keeps its file open while it is loaded.
 * Any other file is read whole, up to the song file size, and played as a Standard MIDI
 * file (through a SoundFont, see PELGRA_AUDIO_ERR_NO_SOUNDFONT) or as a tracker module
 * (anything libopenmpt plays).
 * Returns: the song's handle; NULL on failure.
 * Errors: PELGRA_AUDIO_ERR_UNINITIALIZED, PELGRA_AUDIO_ERR_INVALID_PARAM (name NULL),
 * PELGRA_AUDIO_ERR_FILE_NOTFOUND (also a pipe, a terminal or a device, refused at once),
 * PELGRA_AUDIO_ERR_FILE_OPEN (also when the process's open files are used up),
 * PELGRA_AUDIO_ERR_FILE_BAD, PELGRA_AUDIO_ERR_FILE_FORMAT,
 * PELGRA_AUDIO_ERR_FILE_TOO_LARGE (a module or MIDI file over the song file size),
 * PELGRA_AUDIO_ERR_TOO_MANY_CHANNELS (a recording),
 * PELGRA_AUDIO_ERR_NO_SOUNDFONT, PELGRA_AUDIO_ERR_LIMIT (songs loaded),
 * PELGRA_AUDIO_ERR_MEMORY.
 * Blocks: on reading and parsing the file (opening a recording through libsndfile goes
 * one thread at a time) and on the first render, for which it waits no longer than
 * said above and then goes on; all outside the lock. */
PELGRA_AUDIO_API FMUSIC_MODULE* FMUSIC_LoadSong(const char* name);

/* Frees the song; its handle goes stale. A song still heard stops at once, without a
 * fade-out.
 * Returns: 1 when freed; 0 otherwise.
 * Errors: PELGRA_AUDIO_ERR_UNINITIALIZED, PELGRA_AUDIO_ERR_INVALID_HANDLE.
 * Blocks: until a mix in progress ends (under the lock) and the song worker has let
 * go of the song (outside it). */
PELGRA_AUDIO_API int FMUSIC_FreeSong(FMUSIC_MODULE* song);

/* Starts the song from its beginning, with a fade-in, and unpauses it; songs loop (a
 * module from the restart point it names, a MIDI file from its start, a recording
 * between its LOOPSTART and LOOPEND or LOOPLENGTH tags when its Ogg Vorbis, Opus or FLAC
 * comments have them, or over the first loop of a WAV file's smpl chunk, otherwise
 * whole; sample-exactly). A stopped song starts at the next mix, from the
 * beginning its load or its stop rendered ahead. On a song that plays, the call starts
 * it over: the old sound fades out and the new start is heard once the song worker has
 * rendered it. A start needs one of the song slots above; a song that holds one keeps
 * it.
 * Returns: 1 when started; 0 otherwise.
 * Errors: PELGRA_AUDIO_ERR_UNINITIALIZED, PELGRA_AUDIO_ERR_INVALID_HANDLE,
 * PELGRA_AUDIO_ERR_LIMIT (every slot is held).
 * Blocks: never for the song worker; only when every slot is held, to take songs whose
 * fade-out has been mixed out of the mixer, until a mix in progress ends. */
PELGRA_AUDIO_API int FMUSIC_PlaySong(FMUSIC_MODULE* song);

/* Stops the song with a fade-out and rewinds it; the song worker then renders its
 * beginning ahead again. Harmless on a stopped song.
 * Returns: 1 when done; 0 otherwise.
 * Errors: PELGRA_AUDIO_ERR_UNINITIALIZED, PELGRA_AUDIO_ERR_INVALID_HANDLE.
 * Blocks: never. */
PELGRA_AUDIO_API int FMUSIC_StopSong(FMUSIC_MODULE* song);

/* Pauses (paused 1) or resumes (paused 0) the song where it is, with a fade.
 * Returns: 1 when done; 0 otherwise.
 * Errors: PELGRA_AUDIO_ERR_UNINITIALIZED, PELGRA_AUDIO_ERR_INVALID_HANDLE.
 * Blocks: never. */
PELGRA_AUDIO_API int FMUSIC_SetPaused(FMUSIC_MODULE* song, int paused);

/* Stops every loaded song, as FMUSIC_StopSong does.
 * Returns: 1 when done; 0 when the library does not run.
 * Errors: PELGRA_AUDIO_ERR_UNINITIALIZED.
 * Blocks: never. */
PELGRA_AUDIO_API int FMUSIC_StopAllSongs(void);

/* ---- Song volumes and fades (extensions) --------------------------------------- */

/* Every song has a volume of its own, 0..PELGRA_AUDIO_MAX_VOLUME, set by the three calls
 * below. It multiplies under the music volume (PelgraAudio_SetMusicVolume) as a linear
 * gain, volume / 255: 128 is 6 dB down, and a song at 0 plays on unheard. A song is loaded
 * at PELGRA_AUDIO_MAX_VOLUME and keeps its volume across stops, pauses and starts; the
 * short fades of FMUSIC_PlaySong, FMUSIC_StopSong and FMUSIC_SetPaused multiply with it.
 * A fade goes on only while the song's frames are mixed: it waits while the song is
 * paused or stopped, and goes on from there when it plays again.
 *
 * Crossfading from song a to song b over two seconds, with no dip in the summed level:
 *     PelgraAudio_SetSongVolume(b, 0);
 *     FMUSIC_PlaySong(b);
 *     PelgraAudio_FadeSong(b, 255, 2000);
 *     PelgraAudio_FadeSongOut(a, 2000);   (a stops when silent)
 * Calls made between the same two mixes start their fades at the same frame. */

/* Sets the song's own volume, 0..PELGRA_AUDIO_MAX_VOLUME. While the song is heard the
 * change glides over one mixing block, from the level heard at the next mix, so that it
 * does not click; it replaces a fade in progress. On a song not heard (stopped, paused or
 * not started yet) it applies at once: a song set to 0 and then started starts silent.
 * Returns: 1 when set; 0 otherwise.
 * Errors: PELGRA_AUDIO_ERR_UNINITIALIZED, PELGRA_AUDIO_ERR_INVALID_HANDLE,
 * PELGRA_AUDIO_ERR_INVALID_PARAM (volume outside 0..PELGRA_AUDIO_MAX_VOLUME; checked
 * after the handle).
 * Blocks: never. */
PELGRA_AUDIO_API int PelgraAudio_SetSongVolume(FMUSIC_MODULE* song, int volume);

/* Fades the song's own volume to volume (0..PELGRA_AUDIO_MAX_VOLUME) over milliseconds
 * (0..PELGRA_AUDIO_MAX_FADE_MILLIS), from the level heard when the fade begins: at the
 * song's next mixed frame, counted in mixed frames from there, so sample-accurate. The
 * curve is equal-power: an angle moves linearly from asin(from / 255) to
 * asin(volume / 255), and the gain is sin(angle). A song fading from 255 to 0 and another
 * from 0 to 255 over the same time then have the gains cos and sin of one angle, whose
 * squares sum to one: a crossfade of unrelated material keeps its summed level. A fade
 * shorter than one mixing block (256 frames) takes one block, as PelgraAudio_SetSongVolume
 * does. A later PelgraAudio_FadeSong, PelgraAudio_FadeSongOut or PelgraAudio_SetSongVolume
 * replaces the fade in progress, from the level heard then. The song keeps the volume
 * reached.
 * Returns: 1 when the fade is set; 0 otherwise.
 * Errors: PELGRA_AUDIO_ERR_UNINITIALIZED, PELGRA_AUDIO_ERR_INVALID_HANDLE,
 * PELGRA_AUDIO_ERR_INVALID_PARAM (volume outside 0..PELGRA_AUDIO_MAX_VOLUME, milliseconds
 * negative or over PELGRA_AUDIO_MAX_FADE_MILLIS; checked after the handle).
 * Blocks: never. */
PELGRA_AUDIO_API int PelgraAudio_FadeSong(FMUSIC_MODULE* song, int volume, int milliseconds);

/* Fades the song out to silence as PelgraAudio_FadeSong(song, 0, milliseconds) does, then
 * stops it as FMUSIC_StopSong does: rewound, and the next FMUSIC_PlaySong starts it from
 * its beginning. The fade-out leaves the song's volume as it was before this call (its
 * latest PelgraAudio_SetSongVolume or PelgraAudio_FadeSong): the next FMUSIC_PlaySong is
 * heard at it. A FMUSIC_PlaySong before the fade's end calls the stop off (the song starts
 * over and glides back to that volume over one block), and so does a later
 * PelgraAudio_SetSongVolume or PelgraAudio_FadeSong, which replaces the fade. On a paused
 * song the fade waits for the resume; a stopped song stays stopped.
 * Returns: 1 when the fade is set; 0 otherwise.
 * Errors: PELGRA_AUDIO_ERR_UNINITIALIZED, PELGRA_AUDIO_ERR_INVALID_HANDLE,
 * PELGRA_AUDIO_ERR_INVALID_PARAM (milliseconds negative or over
 * PELGRA_AUDIO_MAX_FADE_MILLIS; checked after the handle).
 * Blocks: never. */
PELGRA_AUDIO_API int PelgraAudio_FadeSongOut(FMUSIC_MODULE* song, int milliseconds);

/* ---- Extensions ----------------------------------------------------------------- */

/* A short English text for a PELGRA_AUDIO_ERR_ code, such as "file not found"; for a
 * value that is no code, "unknown error code". Works at any time.
 * Returns: the text, never NULL; it is the library's own and lives as long as the
 * process.
 * Errors: none.
 * Blocks: never; takes no lock. */
PELGRA_AUDIO_API const char* PelgraAudio_GetErrorString(int code);

/* Chooses the output for the next FSOUND_Init, overriding $PELGRA_AUDIO_OUTPUT:
 * "sdl" (the default: the SDL2 audio device), "null" (mixed in real time by a thread
 * of the library and discarded) or "manual" (mixed only by PelgraAudio_Render).
 * NULL returns to the environment's choice. A name this build has no output for (a
 * build without SDL2 has no "sdl") is refused, as FSOUND_Init refuses such a name in
 * $PELGRA_AUDIO_OUTPUT.
 * Returns: 1 when accepted; 0 otherwise.
 * Errors: PELGRA_AUDIO_ERR_INITIALIZED (checked first),
 * PELGRA_AUDIO_ERR_UNKNOWN_OUTPUT (a name this build has no output for),
 * PELGRA_AUDIO_ERR_MEMORY.
 * Blocks: never. */
PELGRA_AUDIO_API int PelgraAudio_SetOutput(const char* name);

/* With the manual output: mixes frames stereo frames into interleavedStereo
 * (2 * frames floats), as a real-time output would mix them. frames 0 does nothing and
 * is no failure.
 * Returns: the frames written; 0 on failure.
 * Errors: PELGRA_AUDIO_ERR_INVALID_PARAM (interleavedStereo NULL or frames negative;
 * checked first), PELGRA_AUDIO_ERR_UNINITIALIZED (the library does not run, or runs
 * with another output), PELGRA_AUDIO_ERR_BUSY (another thread's render is in progress).
 * Blocks: until songs have rendered the frames asked for, each wait no longer than said
 * above; takes no lock.
 * Threads: one render at a time; FSOUND_Close on another thread waits for it. */
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

/* Fills *stats with the figures since the start or the last reset; all zero while the
 * library does not run.
 * Returns: 1; 0 for a NULL pointer.
 * Errors: PELGRA_AUDIO_ERR_INVALID_PARAM.
 * Blocks: never. */
PELGRA_AUDIO_API int PelgraAudio_GetStats(PelgraAudioStats* stats);

typedef struct PelgraAudioOutputState {
    int connected;    /* 1 while a device plays the mix, 0 while the library keeps time alone */
    unsigned losses;  /* devices lost since FSOUND_Init */
    unsigned reopens; /* devices opened again since FSOUND_Init */
    char device[128]; /* the device's name as the system gives it; "" when none */
} PelgraAudioOutputState;

/* Fills *state with what plays the mix. With the sdl output, the library watches its
 * device: when the device goes (unplugged, the sound server gone or stuck: SDL says it
 * stopped, or it has asked for no frames for half a second, or for none in the two
 * seconds after it opened), connected turns 0 and
 * losses grows; the mix goes on at the mixing rate on the library's own clock, so
 * one-shots end and songs move on in real time, unheard. About every half second the
 * library opens the system's default device again, with the same format; when one
 * opens it plays the mix on from where the clock left it, connected turns 1 and
 * reopens grows. Samples, songs, voices and volumes are kept: the game does nothing.
 * device is UTF-8 as the system gives it, cut at a character to 127 bytes at most. The
 * null and manual outputs have no device: connected 0, device "", both counts 0.
 * Returns: 1 when the library runs; 0 otherwise (*state is then all zero) or for a
 * NULL pointer.
 * Errors: PELGRA_AUDIO_ERR_INVALID_PARAM (state NULL; checked first),
 * PELGRA_AUDIO_ERR_UNINITIALIZED.
 * Blocks: never on the device or the sound server; at most for a handover between the
 * library's clock and a device in progress (one mixing block).
 * Threads: any thread; poll it as often as every frame, if wanted. */
PELGRA_AUDIO_API int PelgraAudio_GetOutputState(PelgraAudioOutputState* state);

/* Restarts the counting of frames, callbacks and the longest times. Does nothing while
 * the library does not run.
 * Returns: nothing.
 * Errors: none.
 * Blocks: never. */
PELGRA_AUDIO_API void PelgraAudio_ResetStats(void);

/* Measures the audio thread's CPU time in each callback (on: 1) for
 * longestCallbackCpuMicros, now and in later runs; may be called at any time. Off by
 * default: reading a thread's CPU clock is a system call, dearer than a callback with
 * nothing to mix.
 * Returns: 1.
 * Errors: none.
 * Blocks: never. */
PELGRA_AUDIO_API int PelgraAudio_SetCpuTiming(int on);

/* The limiter at the end of the mix, on at every start: it holds peaks to -0.05 dBFS
 * with 2 ms of look-ahead, so the output is 2 ms late (rounded up to a multiple of 16
 * frames, at least 32; 96 frames at 48 kHz) and loud sums come out lowered, not
 * flattened. Below that level it changes nothing. enabled 0 switches it off, for an
 * application that masters its own mix (sums are then clipped to -1..1); 1 switches it
 * back on. Takes effect at the next callback: the switch drops the frames in the
 * look-ahead, or inserts that much silence, so make it before sounds play.
 * Returns: 1 when done; 0 when the library does not run.
 * Errors: PELGRA_AUDIO_ERR_UNINITIALIZED.
 * Blocks: never. */
PELGRA_AUDIO_API int PelgraAudio_SetLimiter(int enabled);

/* ---- Loading from memory and from the application's own files ------------------ */

/* The application's own reading of a sound or a song's bytes (a pack file, an archive,
 * an asset store), for PelgraAudio_LoadSampleIO and PelgraAudio_LoadSongIO. Each member
 * is given the `user` pointer passed with the structure. The library copies the
 * structure: it need not outlive the call, but `user` must stay valid until `close`.
 * Required: read, seek and tell. Optional: size (NULL, or a result of -1, for unknown)
 * and close (NULL for none).
 * read: copies up to `bytes` bytes (never more) from where the source stands into
 * `buffer` and returns how many it copied; 0 at the end; -1 on an error.
 * seek: moves to `offset` from whence (SEEK_SET, SEEK_CUR or SEEK_END of <stdio.h>);
 * returns 0 when done, anything else when not.
 * tell: where the source stands, in bytes from its start.
 * size: the bytes the source holds, asked once at the call; -1 when unknown. A source
 * of unknown size is read whole at the call, bounded by the sample size (512 MiB of
 * bytes) or the song file size (a recording too, which then plays from memory).
 * close: called exactly once when the library lets go of the source, on the thread
 * that lets go: before a sample load returns, before a song load returns for a module
 * or MIDI file (read whole), and when a streamed song is freed (FMUSIC_FreeSong or
 * FSOUND_Close); also before the call returns when it fails, whatever the failure
 * (even an incomplete structure, or the library not running).
 * Threads: the members are called one at a time for a source, never at once: on the
 * loading thread during the load and, for a streamed song, on the song worker while it
 * plays (never on the audio thread). They must not call the library.
 * A read that returns -1, more than asked, or data that ends early or is garbage fails
 * the load as a damaged file would (PELGRA_AUDIO_ERR_FILE_BAD or
 * PELGRA_AUDIO_ERR_FILE_FORMAT); a streamed song whose reads fail later is treated as a
 * file found damaged while it plays: it loops what could be decoded, or goes silent. */
typedef struct PelgraAudioIO {
    /* bytes read; 0 at the end; -1 on error */
    long long (*read)(void* user, void* buffer, long long bytes);
    int (*seek)(void* user, long long offset, int whence); /* SEEK_SET/CUR/END; 0 when done */
    long long (*tell)(void* user);
    long long (*size)(void* user); /* -1 when unknown */
    void (*close)(void* user);     /* may be NULL; called once when the library lets go */
} PelgraAudioIO;

/* Loads a sound effect, as FSOUND_Sample_Load does, from the `bytes` bytes of a sound
 * file at `data` (any format FSOUND_Sample_Load reads). The bytes are copied: the
 * caller may free them as soon as the call returns. mode: as for FSOUND_Sample_Load;
 * the whole sound is kept.
 * Returns: the sample's handle; NULL on failure.
 * Errors: PELGRA_AUDIO_ERR_UNINITIALIZED, PELGRA_AUDIO_ERR_INVALID_PARAM (data NULL,
 * bytes below 1), PELGRA_AUDIO_ERR_FILE_BAD, PELGRA_AUDIO_ERR_FILE_FORMAT,
 * PELGRA_AUDIO_ERR_FILE_TOO_LARGE (over the sample size),
 * PELGRA_AUDIO_ERR_TOO_MANY_CHANNELS, PELGRA_AUDIO_ERR_LIMIT (samples loaded),
 * PELGRA_AUDIO_ERR_MEMORY.
 * Blocks: on copying and decoding the bytes, outside the lock; opening through libsndfile
 * goes one thread at a time. */
PELGRA_AUDIO_API FSOUND_SAMPLE* PelgraAudio_LoadSampleMemory(const void* data, long long bytes,
                                                             unsigned int mode);

/* Loads a sound effect, as PelgraAudio_LoadSampleMemory does, reading it through the
 * application's callbacks (PelgraAudioIO), on the calling thread. The sample is decoded
 * whole: `close` has run when the call returns, also when it fails.
 * Returns: the sample's handle; NULL on failure.
 * Errors: PELGRA_AUDIO_ERR_UNINITIALIZED, PELGRA_AUDIO_ERR_INVALID_PARAM (io NULL, or
 * read, seek or tell NULL), PELGRA_AUDIO_ERR_FILE_BAD (also when a callback fails),
 * PELGRA_AUDIO_ERR_FILE_FORMAT, PELGRA_AUDIO_ERR_FILE_TOO_LARGE,
 * PELGRA_AUDIO_ERR_TOO_MANY_CHANNELS, PELGRA_AUDIO_ERR_LIMIT, PELGRA_AUDIO_ERR_MEMORY.
 * Blocks: on the callbacks and on decoding, outside the lock. */
PELGRA_AUDIO_API FSOUND_SAMPLE* PelgraAudio_LoadSampleIO(const PelgraAudioIO* io, void* user,
                                                         unsigned int mode);

/* Loads a song, as FMUSIC_LoadSong does, from the `bytes` bytes of a song file at
 * `data`: a recording is streamed from the library's copy, a module or MIDI file is
 * read whole. The bytes are copied: the caller may free them as soon as the call
 * returns.
 * Returns: the song's handle; NULL on failure.
 * Errors: PELGRA_AUDIO_ERR_UNINITIALIZED, PELGRA_AUDIO_ERR_INVALID_PARAM (data NULL,
 * bytes below 1), PELGRA_AUDIO_ERR_FILE_BAD, PELGRA_AUDIO_ERR_FILE_FORMAT,
 * PELGRA_AUDIO_ERR_FILE_TOO_LARGE (a module or MIDI file over the song file size),
 * PELGRA_AUDIO_ERR_TOO_MANY_CHANNELS, PELGRA_AUDIO_ERR_NO_SOUNDFONT,
 * PELGRA_AUDIO_ERR_LIMIT, PELGRA_AUDIO_ERR_MEMORY.
 * Blocks: as FMUSIC_LoadSong, and on copying the bytes; outside the lock. */
PELGRA_AUDIO_API FMUSIC_MODULE* PelgraAudio_LoadSongMemory(const void* data, long long bytes);

/* Loads a song, as FMUSIC_LoadSong does, reading it through the application's
 * callbacks (PelgraAudioIO). A module or MIDI file is read whole during the call, and
 * `close` has run when it returns. A recording is streamed: its callbacks are called on
 * the song worker while the song is loaded, and `close` runs when the song is freed.
 * A failed call has run `close` before it returns.
 * Returns: the song's handle; NULL on failure.
 * Errors: PELGRA_AUDIO_ERR_UNINITIALIZED, PELGRA_AUDIO_ERR_INVALID_PARAM (io NULL, or
 * read, seek or tell NULL), PELGRA_AUDIO_ERR_FILE_BAD (also when a callback fails),
 * PELGRA_AUDIO_ERR_FILE_FORMAT, PELGRA_AUDIO_ERR_FILE_TOO_LARGE,
 * PELGRA_AUDIO_ERR_TOO_MANY_CHANNELS, PELGRA_AUDIO_ERR_NO_SOUNDFONT,
 * PELGRA_AUDIO_ERR_LIMIT, PELGRA_AUDIO_ERR_MEMORY.
 * Blocks: as FMUSIC_LoadSong, and on the callbacks; outside the lock. */
PELGRA_AUDIO_API FMUSIC_MODULE* PelgraAudio_LoadSongIO(const PelgraAudioIO* io, void* user);

/* ---- Lengths and positions ----------------------------------------------------- */

/* What a song is, for PelgraAudioSongInfo.kind. */
#define PELGRA_AUDIO_SONG_MODULE 1 /* a tracker module, rendered by libopenmpt */
#define PELGRA_AUDIO_SONG_MIDI 2   /* a Standard MIDI file, played through a SoundFont */
#define PELGRA_AUDIO_SONG_STREAM 3 /* a recording, streamed from its file */

typedef struct PelgraAudioSongInfo {
    int kind;     /* PELGRA_AUDIO_SONG_MODULE, PELGRA_AUDIO_SONG_MIDI or PELGRA_AUDIO_SONG_STREAM */
    int channels; /* of the file; 2 for modules and MIDI */
    int fileRate; /* Hz of the file; the mixing rate for modules and MIDI */
    int lengthMs; /* one pass, -1 when unknown */
    int loopStartMs; /* -1 when the file tags no loop */
    int loopEndMs;   /* -1 when the file tags no loop */
    char format[32]; /* a short name: "Ogg Vorbis", "Opus", "FLAC", "MP3", "WAV", "AIFF",
                        "XM module", "IT module", "MOD module", "S3M module", "MIDI", ... */
    char title[128]; /* the module's or the tags' title; "" when none */
} PelgraAudioSongInfo;

/* Fills *info with what the song's file told when it was loaded, read then and kept:
 * the call decodes nothing. lengthMs is one pass: a recording's frames at its own rate;
 * a module's duration as libopenmpt plays it (to its end, before it goes on from its
 * restart point); a MIDI file's last event through its tempo map. A recording's loop is
 * the one its LOOPSTART and LOOPEND or LOOPLENGTH comments tag (Ogg Vorbis, Opus and
 * FLAC) or the first loop of its smpl chunk (WAV), and -1 for both ends when it has
 * none (it then repeats whole). title: a recording's TITLE comment or title tag, a
 * module's title, a MIDI file's first track name; UTF-8 or whatever the file holds, cut
 * to 127 bytes.
 * Returns: 1 when filled; 0 otherwise (*info is then all zero, unless it is NULL).
 * Errors: PELGRA_AUDIO_ERR_INVALID_PARAM (info NULL; checked first),
 * PELGRA_AUDIO_ERR_UNINITIALIZED, PELGRA_AUDIO_ERR_INVALID_HANDLE.
 * Blocks: never. */
PELGRA_AUDIO_API int PelgraAudio_GetSongInfo(FMUSIC_MODULE* song, PelgraAudioSongInfo* info);

/* Where the song is in its file, in milliseconds, as last mixed: it advances with the
 * frames mixed (the output's delay aside) and stands still while the song is paused; it
 * is 0 while the song is stopped, and from FMUSIC_PlaySong until the new start has been
 * mixed. A song that loops goes back: a recording to its loop's start (or its own
 * start), a module to its restart point, a MIDI file to its start. Right to within a
 * few milliseconds; just after a module goes on from a restart point other than its
 * start, to within 1024 frames (21 ms at 48 kHz).
 * Returns: the position; -1 for a bad handle or when the library does not run.
 * Errors: PELGRA_AUDIO_ERR_UNINITIALIZED, PELGRA_AUDIO_ERR_INVALID_HANDLE.
 * Blocks: never; the audio thread does nothing for it.
 * Threads: any thread; poll it as often as every frame, if wanted. */
PELGRA_AUDIO_API int PelgraAudio_GetSongPosition(FMUSIC_MODULE* song);

typedef struct PelgraAudioSampleInfo {
    int channels; /* of the file: 1 or 2 */
    int fileRate; /* Hz of the file */
    int frames;   /* as loaded, at the mixing rate */
    int lengthMs; /* frames at the mixing rate, in milliseconds */
    int loops;    /* 1 when loaded with FSOUND_LOOP_NORMAL, 0 otherwise */
    /* The frame, at the mixing rate, that a looping sample goes on from after its last:
     * 0, or the end of the intro when its file names a loop (frames is then the intro
     * and one pass of the loop). */
    int loopStart;
} PelgraAudioSampleInfo;

/* Fills *info with what the sample holds, as it was loaded (after offset and length).
 * Returns: 1 when filled; 0 otherwise (*info is then all zero, unless it is NULL).
 * Errors: PELGRA_AUDIO_ERR_INVALID_PARAM (info NULL; checked first),
 * PELGRA_AUDIO_ERR_UNINITIALIZED, PELGRA_AUDIO_ERR_INVALID_HANDLE.
 * Blocks: never. */
PELGRA_AUDIO_API int PelgraAudio_GetSampleInfo(FSOUND_SAMPLE* sample, PelgraAudioSampleInfo* info);

#ifdef __cplusplus
}
#endif

#endif
