// libFuzzer: the fuzzer's bytes as a sound file, loaded as a sample and played.
#include "FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    pelgra::fuzz::playAsSample(data, size);
    return 0;
}
