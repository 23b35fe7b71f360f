// libFuzzer: the fuzzer's bytes as a music file, loaded as a song and played.
#include "FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    pelgra::fuzz::playAsSong(data, size);
    return 0;
}
