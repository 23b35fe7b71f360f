// The files the soak test loads, written into a scratch folder: one of every sample and
// song format the library plays, and the bad inputs it must refuse (a null name among
// them).
#ifndef PELGRA_SOAK_FILES_H
#define PELGRA_SOAK_FILES_H

#include "TestSounds.h"

#include <filesystem>
#include <string>
#include <vector>

namespace soak {

class SoakFiles {
public:
    SoakFiles();

    const std::vector<std::string>& goodSamples() const { return m_goodSamples; }
    const std::vector<std::string>& goodSongs() const { return m_goodSongs; }
    // Names to pass as they are; nullptr stands for a null name.
    const std::vector<const char*>& badSamples() const { return m_badSampleNames; }
    const std::vector<const char*>& badSongs() const { return m_badSongNames; }

private:
    testsupport::ScratchFolder m_scratch{"soak"};
    std::vector<std::string> m_goodSamples;
    std::vector<std::string> m_goodSongs;
    std::vector<std::string> m_badSamples;
    std::vector<std::string> m_badSongs;
    std::vector<const char*> m_badSampleNames;
    std::vector<const char*> m_badSongNames;
};

} // namespace soak

#endif
