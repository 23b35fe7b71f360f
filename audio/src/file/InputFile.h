// Every file the library reads (a sound, a song, a SoundFont) is opened here, and only a
// regular file is: checked on the opened file itself, so that nothing can swap the path
// in between, and opened without waiting, so that a named pipe or a terminal is refused
// at once instead of blocking the caller. The decoders read through the object, never
// by the path. Used by one thread at a time.
#ifndef PELGRA_AUDIO_INPUT_FILE_H
#define PELGRA_AUDIO_INPUT_FILE_H

#include "failure/Failure.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>

namespace pelgra::audio {

class InputFile {
public:
    // The file at `path`, open for reading from its start. Null when it is not to be
    // had, and `refusal` says why: InvalidArgument for a null path, FileNotFound for no
    // file of that name or one that is no regular file (a folder, a pipe, a device),
    // FileNotOpened when the system refused to open it (too many files open, no
    // permission). The caller notes the reason, if it is the call's.
    static std::unique_ptr<InputFile> open(const char* path, Failure& refusal);
    // The same, for a load whose call fails with the file: the refusal is noted as the
    // call's reason.
    static std::unique_ptr<InputFile> openForCall(const char* path);

    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // Bytes, as the file was when opened.
    std::int64_t size() const noexcept { return m_size; }
    // Reads up to `bytes` bytes from where the file stands; returns how many came.
    std::size_t read(void* into, std::size_t bytes) noexcept;
    // Reads exactly `bytes` bytes from `offset`; false when fewer came.
    bool readAt(std::int64_t offset, void* into, std::size_t bytes) noexcept;
    // Moves to `offset` from SEEK_SET, SEEK_CUR or SEEK_END; false when that failed.
    bool seek(std::int64_t offset, int whence) noexcept;
    // Where the file stands, -1 on failure.
    std::int64_t tell() noexcept;

private:
    InputFile(std::FILE* file, std::int64_t size) noexcept : m_file(file), m_size(size) {}

    std::FILE* m_file;
    std::int64_t m_size;
};

} // namespace pelgra::audio

#endif
