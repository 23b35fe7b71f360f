#include "file/InputFile.h"

#include "failure/FailureReason.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

#if defined(_WIN32)
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <io.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace pelgra::audio {
namespace {

// `error`: an errno value, compared as a number with no virtual call of std::error_code:
// UBSan checks such a call with a pipe, and no descriptor may be left.
Failure openFailure(int error) {
    return error == ENOENT || error == ENOTDIR || error == ENAMETOOLONG ? Failure::FileNotFound
                                                                        : Failure::FileNotOpened;
}

// What the path names, before anything opens it: opening a device can act on it (a
// serial port's lines, a tape's rewind), and opening a pipe's name on Windows connects
// to it.
Failure refusalByName(const char* path) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (status.type() == std::filesystem::file_type::not_found) {
        return Failure::FileNotFound;
    }
    if (error) {
        return openFailure(error.default_error_condition().value());
    }
    return std::filesystem::is_regular_file(status) ? Failure::None : Failure::FileNotFound;
}

#if defined(_WIN32)
std::FILE* openRegular(const char* path, std::int64_t& size, Failure& refusal) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        refusal = openFailure(errno);
        return nullptr;
    }
    // The path may have changed since it was looked at: the handle tells what was opened.
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    size = _filelengthi64(_fileno(file));
    if (GetFileType(handle) != FILE_TYPE_DISK || size < 0) {
        std::fclose(file);
        refusal = Failure::FileNotFound;
        return nullptr;
    }
    return file;
}
#else
std::FILE* openRegular(const char* path, std::int64_t& size, Failure& refusal) {
    // Without O_NONBLOCK, opening a named pipe waits for a writer. The path may have
    // changed since it was looked at: fstat tells what was opened.
    const int descriptor = ::open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0) {
        refusal = openFailure(errno);
        return nullptr;
    }
    struct stat status {};
    if (fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(descriptor);
        refusal = Failure::FileNotFound;
        return nullptr;
    }
    // A regular file never waits: reading it goes on in the ordinary way.
    std::FILE* file = fcntl(descriptor, F_SETFL, fcntl(descriptor, F_GETFL) & ~O_NONBLOCK) == 0
                          ? fdopen(descriptor, "rb")
                          : nullptr;
    if (file == nullptr) {
        refusal = openFailure(errno);
        ::close(descriptor);
        return nullptr;
    }
    size = status.st_size;
    return file;
}
#endif

} // namespace

std::unique_ptr<InputFile> InputFile::open(const char* path, Failure& refusal) {
    if (path == nullptr) {
        refusal = Failure::InvalidArgument;
        return nullptr;
    }
    refusal = refusalByName(path);
    if (refusal != Failure::None) {
        return nullptr;
    }
    std::int64_t size = 0;
    std::FILE* file = openRegular(path, size, refusal);
    if (file == nullptr) {
        return nullptr;
    }
    try {
        return std::unique_ptr<InputFile>(new InputFile(file, size));
    } catch (...) {
        std::fclose(file);
        throw;
    }
}

InputFile::~InputFile() {
    std::fclose(m_file);
}

std::size_t InputFile::read(void* into, std::size_t bytes) noexcept {
    return std::fread(into, 1, bytes, m_file);
}

bool InputFile::seek(std::int64_t offset, int whence) noexcept {
#if defined(_WIN32)
    return _fseeki64(m_file, offset, whence) == 0;
#else
    return fseeko(m_file, static_cast<off_t>(offset), whence) == 0;
#endif
}

std::int64_t InputFile::tell() noexcept {
#if defined(_WIN32)
    return _ftelli64(m_file);
#else
    return ftello(m_file);
#endif
}

std::unique_ptr<InputFile> InputFile::openForCall(const char* path) {
    Failure refusal = Failure::None;
    std::unique_ptr<InputFile> file = open(path, refusal);
    if (file == nullptr) {
        noteFailure(refusal);
    }
    return file;
}

} // namespace pelgra::audio
