// A file written under a temporary name beside its target, which takes the target's
// place only once finished: a write that fails or is cut off leaves the target as it
// was and no file behind.
#ifndef PELGRA_PLAY_PENDING_FILE_H
#define PELGRA_PLAY_PENDING_FILE_H

#include <filesystem>
#include <string>

namespace pelgra::play {

class PendingFile {
public:
    // Chooses a temporary name in the target's folder that no file has; creates nothing.
    explicit PendingFile(const std::string& target);
    // Removes the temporary file unless it was committed.
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    // Where to write.
    std::string path() const { return m_temporary.string(); }

    // Puts the written file in the target's place. Throws Failure when it cannot.
    void commit();

private:
    std::filesystem::path m_target;
    std::filesystem::path m_temporary;
    bool m_committed = false;
};

} // namespace pelgra::play

#endif
