// What each thread of this process ran between two moments, from Linux's per-thread
// scheduler figures: run time to the nanosecond (/proc/self/task/*/schedstat) and wakes
// (voluntary context switches), rather than tick-based CPU times, which cannot split the
// few milliseconds a second of threads that wake on the tick. Empty elsewhere.
#ifndef PELGRA_BENCH_THREAD_TIMES_H
#define PELGRA_BENCH_THREAD_TIMES_H

#include <map>
#include <string>

namespace benchtimes {

struct ThreadFigures {
    double runNs = 0.0;
    double wakes = 0.0;
};

struct ThreadRecord {
    std::string name;
    ThreadFigures figures;
};

// Every thread of the process now, by thread id.
using ThreadSnapshot = std::map<int, ThreadRecord>;

ThreadSnapshot takeThreadSnapshot();

// What ran from `before` to `after`, summed by thread name with trailing digits dropped
// (SDL numbers its audio threads by device). Threads that ended in between are missing.
std::map<std::string, ThreadFigures> threadsBetween(const ThreadSnapshot& before,
                                                    const ThreadSnapshot& after);

} // namespace benchtimes

#endif
