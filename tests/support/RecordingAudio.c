/* The recording stand-in of the audio library: see RecordingAudio.h. */
#include "RecordingAudio.h"

#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>

static char g_calls[16384];
static size_t g_length = 0;
static int g_initResult = 1;
static int g_loadsSucceed = 1;
static int g_handlesIssued = 0;

enum { kSampleBase = 0x10000, kSongBase = 0x20000 };

/* vsnprintf bounded by size; its Annex K form (vsnprintf_s) adds nothing here. */
static int formatInto(char* out, size_t size, const char* format, va_list arguments) {
    /* NOLINTNEXTLINE(clang-analyzer-security.insecureAPI.DeprecatedOrUnsafeBufferHandling) */
    return vsnprintf(out, size, format, arguments);
}

/* Appends one line; a full record is cut short, which the comparison shows. */
static void record(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    const size_t room = sizeof g_calls - g_length - 1;
    const int written = formatInto(g_calls + g_length, room, format, arguments);
    va_end(arguments);
    if (written > 0 && (size_t)written < room) {
        g_length += (size_t)written;
        g_calls[g_length++] = '\n';
        g_calls[g_length] = '\0';
    }
}

static void formatName(char* out, size_t size, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    formatInto(out, size, format, arguments);
    va_end(arguments);
}

/* "sample#N", "song#N" or "null", in a buffer that lasts until the next call. */
static const char* handleName(const void* handle) {
    static char name[32];
    const uintptr_t value = (uintptr_t)handle;
    if (handle == NULL) {
        return "null";
    }
    if (value >= kSongBase) {
        formatName(name, sizeof name, "song#%u", (unsigned)(value - kSongBase));
    } else {
        formatName(name, sizeof name, "sample#%u", (unsigned)(value - kSampleBase));
    }
    return name;
}

static const char* textOrNull(const char* text) {
    return text != NULL ? text : "(null)";
}

const char* RecordingAudio_Calls(void) {
    return g_calls;
}

void RecordingAudio_ClearCalls(void) {
    g_length = 0;
    g_calls[0] = '\0';
}

void RecordingAudio_SetAnswers(int initResult, int loadsSucceed) {
    g_initResult = initResult;
    g_loadsSucceed = loadsSucceed;
}

void RecordingAudio_Reset(void) {
    RecordingAudio_ClearCalls();
    RecordingAudio_SetAnswers(1, 1);
    g_handlesIssued = 0;
}

int FSOUND_Init(int mixRate, int maxSoftwareChannels, unsigned int flags) {
    record("FSOUND_Init(%d, %d, %u)", mixRate, maxSoftwareChannels, flags);
    return g_initResult;
}

void FSOUND_Close(void) {
    record("FSOUND_Close()");
}

int FSOUND_SetSFXMasterVolume(int volume) {
    record("FSOUND_SetSFXMasterVolume(%d)", volume);
    return 1;
}

FSOUND_SAMPLE* FSOUND_Sample_Load(int index, const char* name, unsigned int mode, int offset,
                                  int length) {
    record("FSOUND_Sample_Load(%d, %s, 0x%x, %d, %d)", index, textOrNull(name), mode, offset,
           length);
    return g_loadsSucceed ? (FSOUND_SAMPLE*)(uintptr_t)(kSampleBase + ++g_handlesIssued) : NULL;
}

int FSOUND_Sample_Free(FSOUND_SAMPLE* sample) {
    record("FSOUND_Sample_Free(%s)", handleName(sample));
    return 1;
}

int FSOUND_PlaySound(int channel, FSOUND_SAMPLE* sample) {
    record("FSOUND_PlaySound(%d, %s)", channel, handleName(sample));
    return 0;
}

int FSOUND_SetPaused(int channel, int paused) {
    record("FSOUND_SetPaused(%d, %d)", channel, paused);
    return 1;
}

int FSOUND_StopSound(int channel) {
    record("FSOUND_StopSound(%d)", channel);
    return 1;
}

FMUSIC_MODULE* FMUSIC_LoadSong(const char* name) {
    record("FMUSIC_LoadSong(%s)", textOrNull(name));
    return g_loadsSucceed ? (FMUSIC_MODULE*)(uintptr_t)(kSongBase + ++g_handlesIssued) : NULL;
}

int FMUSIC_FreeSong(FMUSIC_MODULE* song) {
    record("FMUSIC_FreeSong(%s)", handleName(song));
    return 1;
}

int FMUSIC_PlaySong(FMUSIC_MODULE* song) {
    record("FMUSIC_PlaySong(%s)", handleName(song));
    return 1;
}

int FMUSIC_StopSong(FMUSIC_MODULE* song) {
    record("FMUSIC_StopSong(%s)", handleName(song));
    return 1;
}

int FMUSIC_SetPaused(FMUSIC_MODULE* song, int paused) {
    record("FMUSIC_SetPaused(%s, %d)", handleName(song), paused);
    return 1;
}

int FMUSIC_StopAllSongs(void) {
    record("FMUSIC_StopAllSongs()");
    return 1;
}
