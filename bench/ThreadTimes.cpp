#include "ThreadTimes.h"

#include <filesystem>
#include <fstream>

namespace benchtimes {
namespace {

std::string firstLine(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

double voluntarySwitches(const std::filesystem::path& status) {
    std::ifstream in(status);
    const std::string key = "voluntary_ctxt_switches:";
    for (std::string line; std::getline(in, line);) {
        if (line.compare(0, key.size(), key) == 0) {
            return std::stod(line.substr(key.size()));
        }
    }
    return 0.0;
}

} // namespace

ThreadSnapshot takeThreadSnapshot() {
    ThreadSnapshot snapshot;
    std::error_code error;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task", error)) {
        const std::string schedstat = firstLine(task.path() / "schedstat");
        if (schedstat.empty()) {
            continue; // ended while being read
        }
        snapshot[std::stoi(task.path().filename().string())] = {
            firstLine(task.path() / "comm"),
            {std::stod(schedstat), voluntarySwitches(task.path() / "status")}};
    }
    return snapshot;
}

std::map<std::string, ThreadFigures> threadsBetween(const ThreadSnapshot& before,
                                                    const ThreadSnapshot& after) {
    std::map<std::string, ThreadFigures> byName;
    for (const auto& [id, thread] : after) {
        std::string name = thread.name;
        name.erase(name.find_last_not_of("0123456789") + 1);
        ThreadFigures& sum = byName[name];
        const auto earlier = before.find(id);
        const ThreadFigures start =
            earlier != before.end() ? earlier->second.figures : ThreadFigures{};
        sum.runNs += thread.figures.runNs - start.runNs;
        sum.wakes += thread.figures.wakes - start.wakes;
    }
    return byName;
}

} // namespace benchtimes
