// compare_wav A.wav B.wav MIN: prints how closely two renderings of the same input
// agree (the correlation of their samples, and each one's RMS level), and fails when
// the correlation is below MIN or either one is silent.
#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Wave {
    int channels = 0;
    std::vector<float> samples;
};

bool readWave(const char* path, Wave& wave) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path, SFM_READ, &info);
    if (file == nullptr) {
        std::fprintf(stderr, "compare_wav: cannot read %s\n", path);
        return false;
    }
    wave.channels = info.channels;
    wave.samples.resize(static_cast<std::size_t>(info.frames * info.channels));
    const sf_count_t read = sf_readf_float(file, wave.samples.data(), info.frames);
    sf_close(file);
    wave.samples.resize(static_cast<std::size_t>(read * info.channels));
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: compare_wav A.wav B.wav MIN-CORRELATION\n");
        return 2;
    }
    Wave a;
    Wave b;
    if (!readWave(argv[1], a) || !readWave(argv[2], b)) {
        return 1;
    }
    if (a.channels != b.channels) {
        std::fprintf(stderr, "compare_wav: %d channels against %d\n", a.channels, b.channels);
        return 1;
    }
    const std::size_t count = std::min(a.samples.size(), b.samples.size());
    double sumA = 0.0, sumB = 0.0, sumAA = 0.0, sumBB = 0.0, sumAB = 0.0;
    for (std::size_t i = 0; i < count; ++i) {
        const double x = a.samples[i];
        const double y = b.samples[i];
        sumA += x;
        sumB += y;
        sumAA += x * x;
        sumBB += y * y;
        sumAB += x * y;
    }
    const double n = static_cast<double>(count);
    const double covariance = sumAB - sumA * sumB / n;
    const double spreadA = sumAA - sumA * sumA / n;
    const double spreadB = sumBB - sumB * sumB / n;
    const double correlation = covariance / std::sqrt(spreadA * spreadB);
    const double rmsA = std::sqrt(sumAA / n);
    const double rmsB = std::sqrt(sumBB / n);
    const double minimum = std::strtod(argv[3], nullptr);
    std::printf("correlation %.6f over %zu frames (lengths %zu and %zu); rms %.4f and %.4f\n",
                correlation, count / static_cast<std::size_t>(a.channels),
                a.samples.size() / static_cast<std::size_t>(a.channels),
                b.samples.size() / static_cast<std::size_t>(b.channels), rmsA, rmsB);
    const bool audible = rmsA > 1e-3 && rmsB > 1e-3;
    const bool sameLength = a.samples.size() == b.samples.size();
    return audible && sameLength && correlation >= minimum ? 0 : 1;
}
