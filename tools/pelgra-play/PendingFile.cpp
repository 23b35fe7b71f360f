#include "PendingFile.h"

#include "Errors.h"

#include <random>

namespace pelgra::play {

namespace fs = std::filesystem;

PendingFile::PendingFile(const std::string& target) : m_target(target) {
    // Beside the target, so that the rename stays within one file system.
    std::random_device seed;
    std::mt19937_64 random(seed());
    const fs::path folder = m_target.parent_path();
    std::error_code unreadable;
    do {
        m_temporary = folder / ("." + m_target.filename().string() + ".partial-" +
                                std::to_string(random() % 1000000000));
    } while (fs::exists(m_temporary, unreadable));
}

PendingFile::~PendingFile() {
    if (!m_committed) {
        std::error_code ignored; // never written, or gone already
        fs::remove(m_temporary, ignored);
    }
}

void PendingFile::commit() {
    std::error_code error;
    fs::rename(m_temporary, m_target, error);
    if (error) {
        throw Failure("cannot write " + m_target.string() + ": " + error.message());
    }
    m_committed = true;
}

} // namespace pelgra::play
