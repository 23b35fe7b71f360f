// Pelgra Sound Engine: the public interface.
//
// A thin, stateful layer over the Pelgra audio library (PelgraAudio.h). Start the
// engine once with InitializeSoundFXEngine, load sound effects (CSoundFX) and songs
// (CSong) from files, play them, and call ShutdownSoundFXEngine after every sound
// object is freed or destroyed.
//
// Errors: the load operations and InitializeSoundFXEngine report failure as false;
// nothing else reports anything, and nothing throws or logs. An object whose load
// failed holds no handle, and every operation on it is harmless. Why a call returned
// false is the audio library's to say: PelgraAudio_GetError() and
// PelgraAudio_GetErrorString (PelgraAudio.h), called right after it on the same thread.
//
// Each member function says in a "Blocks:" line what it may wait for; PelgraAudio.h
// says what the audio library's calls under it wait for, and the figures they refer to.
//
// The header also brings in the declarations of the utility library PelgraSDK
// (PelgraSDK/PelgraSDK.h). This library defines and exports some of their members: those
// marked PELGRA_ENGINE_API; the others are PelgraSDK's own.
//
// Threads: the engine has no lock of its own. Make the engine calls from one thread
// at a time, and use each sound object from one thread at a time. Mixing runs on the
// audio library's own thread and never waits for these calls.
#ifndef PELGRA_SOUND_ENGINE_H
#define PELGRA_SOUND_ENGINE_H

#include "PelgraEngineExport.h"
#include "PelgraSDK/PelgraSDK.h"

struct FSOUND_SAMPLE;
struct FMUSIC_MODULE;

// Starts the audio library at mixRate Hz with maxChannels sound-effect voices and
// sets the effects' master volume to 128. Returns true when the engine is running
// afterwards: at once, ignoring the arguments, when it already runs; false when the
// audio library could not start (a later call may try again; PelgraAudio_GetError()
// says why, see above).
// Blocks: on opening the device and starting the output's thread (FSOUND_Init); never
// when the engine runs already.
PELGRA_ENGINE_API bool InitializeSoundFXEngine(int mixRate, int maxChannels);

// Stops the audio library when the engine runs; after it the engine may be started
// again. Free or destroy every CSoundFX and CSong first.
// Blocks: until a mix in progress ends, the output has closed and the song worker has
// let go of each song (FSOUND_Close); never when the engine does not run.
PELGRA_ENGINE_API void ShutdownSoundFXEngine();

// Sets the master volume of all sound effects, 0 (silent) to 255 (full). Songs keep
// their level.
// Blocks: never.
PELGRA_ENGINE_API void SetMasterVolume(unsigned char volume);

// One sound effect: a sample decoded from a file and played on any free voice.
//
// Pause and Stop act on every sound-effect voice, not only on this object's, because
// the object does not remember where its sample plays. Copies share the sample: before
// more than one copy is freed or destroyed, empty all but one by assigning a new
// CSoundFX to them.
class PELGRA_ENGINE_API CSoundFX {
public:
    // Empty: holds no sample.
    // Blocks: never.
    CSoundFX();
    // Stops every sound-effect voice, then frees the sample.
    // Blocks: never.
    ~CSoundFX();

    // Loads fileName as this object's sample, decoded whole (FSOUND_Sample_Load), looping
    // forward when loop is true. Does nothing while a sample is held. Returns true when
    // a sample is held afterwards; call FreeSound first to load another file. On false,
    // PelgraAudio_GetError() says why, called next on the same thread.
    // Blocks: on reading and decoding the whole file.
    bool LoadFromFile(char* fileName, bool loop);
    // Stops every sound-effect voice and frees the sample; does nothing when empty.
    // Blocks: never.
    void FreeSound();
    // Starts the sample on a free voice; each call starts it once more.
    // Blocks: never.
    void Play();
    // true pauses, false resumes, every sound-effect voice.
    // Blocks: never.
    void Pause(bool paused);
    // Stops every sound-effect voice.
    // Blocks: never.
    void Stop();

    // Copies the handle; the sample the target held before is not freed.
    // Blocks: never.
    CSoundFX& operator=(const CSoundFX& other);

private:
    FSOUND_SAMPLE* m_sample;
};

// One song: music loaded from a file, a tracker module, a Standard MIDI file or a
// recording streamed from its file (FMUSIC_LoadSong in PelgraAudio.h says which file
// is which). Play, Pause and Stop act on this song only; the destructor stops every
// song. Copies share the song, as with CSoundFX.
class PELGRA_ENGINE_API CSong {
public:
    // Empty: holds no song.
    // Blocks: never.
    CSong();
    // Stops every song, then frees this one.
    // Blocks: until a mix in progress ends and the song worker has let go of the song.
    ~CSong();

    // Loads fileName as this object's song (FMUSIC_LoadSong). Does nothing while a song
    // is held. Returns true when a song is held afterwards; call FreeSong first to load
    // another file. On false, PelgraAudio_GetError() says why, called next on the same
    // thread.
    // Blocks: on reading the file (a module or MIDI file whole, a recording's first
    // part) and on the first render of its beginning, which is bounded.
    bool LoadFromFile(char* fileName);
    // Frees the song; does nothing when empty.
    // Blocks: until a mix in progress ends and the song worker has let go of the song.
    void FreeSong();
    // Starts the song from its beginning; songs loop until stopped.
    // Blocks: only when every song slot of the mixer is held, until a mix in progress
    // ends; never for the song's rendering.
    void Play();
    // true pauses the song, false resumes it where it was.
    // Blocks: never.
    void Pause(bool paused);
    // Stops the song.
    // Blocks: never.
    void Stop();

    // Copies the handle; the song the target held before is not freed.
    // Blocks: never.
    CSong& operator=(const CSong& other);

private:
    FMUSIC_MODULE* m_song;
};

#endif
