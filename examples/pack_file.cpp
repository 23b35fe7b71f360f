// Loading every sound of a game from one pack file, through the audio library's I/O
// callbacks: no sound is ever a file of its own on disk.
//
//   pack_file --make PACK FILE...    packs the files, each under its own name
//   pack_file [--offline] PACK       loads and plays every sound in the pack
//
// The pack: "PACK", the count of entries, then for each its name's length, its name,
// the offset of its bytes from the start of the pack and their count; then the bytes.
// Numbers are little-endian, 32 bits for counts and lengths, 64 for offsets and sizes.
// An entry whose name starts with "music/" is loaded as a song (and streamed from the
// pack while it plays, when it is a recording), any other as a sound effect. Each load
// reads through a reader of its own, which the library closes when it lets go of it.
// With --offline the program mixes through the manual output and prints the peak level
// each sound reached.
#include "PelgraAudio.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kMixRate = 48000;
constexpr int kFramesPerSound = kMixRate / 2;

struct Entry {
    std::string name;
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
};

// One entry of the pack as a file of its own: the library's view through the callbacks.
struct EntryReader {
    std::FILE* pack = nullptr; // opened for this reader alone
    long long start = 0;
    long long size = 0;
    long long at = 0; // from the entry's start
};

long long readEntry(void* user, void* buffer, long long bytes) {
    auto* reader = static_cast<EntryReader*>(user);
    const long long count = std::min(bytes, std::max(reader->size - reader->at, 0LL));
    if (count == 0) {
        return 0;
    }
    if (std::fseek(reader->pack, static_cast<long>(reader->start + reader->at), SEEK_SET) != 0) {
        return -1;
    }
    const std::size_t got = std::fread(buffer, 1, static_cast<std::size_t>(count), reader->pack);
    if (got == 0 && std::ferror(reader->pack) != 0) {
        return -1;
    }
    reader->at += static_cast<long long>(got);
    return static_cast<long long>(got);
}

int seekEntry(void* user, long long offset, int whence) {
    auto* reader = static_cast<EntryReader*>(user);
    const long long from = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? reader->at : reader->size;
    if (from + offset < 0) {
        return -1;
    }
    reader->at = from + offset;
    return 0;
}

long long tellEntry(void* user) {
    return static_cast<EntryReader*>(user)->at;
}

long long sizeOfEntry(void* user) {
    return static_cast<EntryReader*>(user)->size;
}

void closeEntry(void* user) {
    auto* reader = static_cast<EntryReader*>(user);
    std::fclose(reader->pack);
    delete reader;
}

constexpr PelgraAudioIO kEntryIO = {readEntry, seekEntry, tellEntry, sizeOfEntry, closeEntry};

bool readNumber(std::FILE* file, std::uint64_t& value, int bytes) {
    unsigned char raw[8] = {};
    if (std::fread(raw, 1, static_cast<std::size_t>(bytes), file) !=
        static_cast<std::size_t>(bytes)) {
        return false;
    }
    value = 0;
    for (int i = bytes - 1; i >= 0; --i) {
        value = value << 8 | raw[i];
    }
    return true;
}

void writeNumber(std::FILE* file, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        std::fputc(static_cast<int>(value >> (8 * i) & 0xFF), file);
    }
}

bool readTable(const char* path, std::vector<Entry>& entries) {
    std::FILE* pack = std::fopen(path, "rb");
    if (pack == nullptr) {
        return false;
    }
    char magic[4] = {};
    std::uint64_t count = 0;
    bool good = std::fread(magic, 1, 4, pack) == 4 && std::memcmp(magic, "PACK", 4) == 0 &&
                readNumber(pack, count, 4);
    for (std::uint64_t i = 0; good && i < count; ++i) {
        Entry entry;
        std::uint64_t length = 0;
        good = readNumber(pack, length, 4) && length < 4096;
        if (good) {
            entry.name.resize(static_cast<std::size_t>(length));
            good = std::fread(entry.name.data(), 1, entry.name.size(), pack) == entry.name.size() &&
                   readNumber(pack, entry.offset, 8) && readNumber(pack, entry.size, 8);
        }
        entries.push_back(entry);
    }
    std::fclose(pack);
    return good;
}

int makePack(const char* path, int count, char** files) {
    std::vector<Entry> entries;
    std::vector<std::vector<char>> contents;
    std::uint64_t tableBytes = 8;
    for (int i = 0; i < count; ++i) {
        std::FILE* file = std::fopen(files[i], "rb");
        if (file == nullptr) {
            std::fprintf(stderr, "pack_file: cannot read %s\n", files[i]);
            return 1;
        }
        std::vector<char> bytes;
        char chunk[65536];
        for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, file)) > 0;) {
            bytes.insert(bytes.end(), chunk, chunk + got);
        }
        std::fclose(file);
        // Named as given, less any folders before the last "music/" or file name.
        std::string name = files[i];
        const std::size_t music = name.rfind("music/");
        name = music != std::string::npos ? name.substr(music)
                                          : name.substr(name.find_last_of('/') + 1);
        entries.push_back({name, 0, bytes.size()});
        contents.push_back(std::move(bytes));
        tableBytes += 4 + name.size() + 16;
    }
    std::FILE* pack = std::fopen(path, "wb");
    if (pack == nullptr) {
        std::fprintf(stderr, "pack_file: cannot write %s\n", path);
        return 1;
    }
    std::fwrite("PACK", 1, 4, pack);
    writeNumber(pack, entries.size(), 4);
    std::uint64_t offset = tableBytes;
    for (Entry& entry : entries) {
        entry.offset = offset;
        offset += entry.size;
        writeNumber(pack, entry.name.size(), 4);
        std::fwrite(entry.name.data(), 1, entry.name.size(), pack);
        writeNumber(pack, entry.offset, 8);
        writeNumber(pack, entry.size, 8);
    }
    for (const std::vector<char>& bytes : contents) {
        std::fwrite(bytes.data(), 1, bytes.size(), pack);
    }
    return std::fclose(pack) == 0 ? 0 : 1;
}

// Lets half a second pass; offline, mixes it and returns its peak.
float listen(bool offline) {
    if (!offline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        return 0.0f;
    }
    std::vector<float> block(2 * kFramesPerSound);
    PelgraAudio_Render(block.data(), kFramesPerSound);
    PelgraAudioStats stats{}; // the peaks of that render
    PelgraAudio_GetStats(&stats);
    return std::max(stats.peakLeft, stats.peakRight);
}

int playPack(const char* path, bool offline) {
    std::vector<Entry> entries;
    if (!readTable(path, entries)) {
        std::fprintf(stderr, "pack_file: %s is no pack\n", path);
        return 1;
    }
    if (offline) {
        PelgraAudio_SetOutput("manual");
    }
    if (FSOUND_Init(kMixRate, 32, 0) == 0) {
        std::fprintf(stderr, "pack_file: %s\n", PelgraAudio_GetErrorString(PelgraAudio_GetError()));
        return 1;
    }
    int status = 0;
    for (const Entry& entry : entries) {
        auto* reader = new EntryReader{std::fopen(path, "rb"), static_cast<long long>(entry.offset),
                                       static_cast<long long>(entry.size), 0};
        if (reader->pack == nullptr) {
            delete reader;
            status = 1;
            continue;
        }
        // From here on the library owns the reader: it calls closeEntry, also on failure.
        const bool song = entry.name.rfind("music/", 0) == 0;
        FSOUND_SAMPLE* sample = nullptr;
        FMUSIC_MODULE* tune = nullptr;
        if (song) {
            tune = PelgraAudio_LoadSongIO(&kEntryIO, reader);
        } else {
            sample = PelgraAudio_LoadSampleIO(&kEntryIO, reader, FSOUND_NORMAL);
        }
        if (sample == nullptr && tune == nullptr) {
            std::fprintf(stderr, "pack_file: %s: %s\n", entry.name.c_str(),
                         PelgraAudio_GetErrorString(PelgraAudio_GetError()));
            status = 1;
            continue;
        }
        if (song) {
            FMUSIC_PlaySong(tune);
        } else {
            FSOUND_PlaySound(FSOUND_FREE, sample);
        }
        std::printf("%s %.3f\n", entry.name.c_str(), listen(offline));
        if (song) {
            FMUSIC_FreeSong(tune);
        } else {
            FSOUND_StopSound(FSOUND_ALL);
            FSOUND_Sample_Free(sample);
        }
        listen(offline); // the fade-out, so that the next sound is measured alone
    }
    FSOUND_Close();
    return status;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 4 && std::strcmp(argv[1], "--make") == 0) {
        return makePack(argv[2], argc - 3, argv + 3);
    }
    const bool offline = argc == 3 && std::strcmp(argv[1], "--offline") == 0;
    if (argc != 2 && !offline) {
        std::fprintf(stderr, "usage: pack_file --make PACK FILE...\n"
                             "       pack_file [--offline] PACK\n");
        return 2;
    }
    return playPack(argv[argc - 1], offline);
}
