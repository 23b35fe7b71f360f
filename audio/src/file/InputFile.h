// Every file the library reads (a sound, a song, a SoundFont) is opened here, and only a
// regular file is: checked on the opened file itself, so that nothing can swap the path
// in between, and opened without waiting, so that a named pipe or a terminal is refused
// at once instead of blocking the caller. The decoders read through the object, never
// by the path, as they read every source (file/ByteSource.h). Used by one thread at a
// time.
#ifndef PELGRA_AUDIO_INPUT_FILE_H
#define PELGRA_AUDIO_INPUT_FILE_H

#include "file/ByteSource.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>

namespace pelgra::audio {

class InputFile final : public ByteSource {
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

    ~InputFile() override;
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    std::int64_t size() const noexcept override { return m_size; }
    std::size_t read(void* into, std::size_t bytes) noexcept override;
    bool seek(std::int64_t offset, int whence) noexcept override;
    std::int64_t tell() noexcept override;

private:
    InputFile(std::FILE* file, std::int64_t size) noexcept : m_file(file), m_size(size) {}

    std::FILE* m_file;
    std::int64_t m_size;
};

} // namespace pelgra::audio

#endif
