#include "song/SongWorker.h"

#include <algorithm>

namespace pelgra::audio {
namespace {
// How long the worker rests when every ring was full: far shorter than the quarter
// of a second a ring lasts, so the rings stay topped up, yet long enough that waking
// costs little. Calls that need the worker sooner wake it.
constexpr std::chrono::milliseconds kRest{40};
} // namespace

std::shared_ptr<SongWorker> SongWorker::shared() {
    static std::mutex mutex;
    static std::weak_ptr<SongWorker> current;
    std::lock_guard<std::mutex> lock(mutex);
    std::shared_ptr<SongWorker> worker = current.lock();
    if (worker == nullptr) {
        worker = std::make_shared<SongWorker>();
        current = worker;
    }
    return worker;
}

SongWorker::SongWorker() : thread_([this] { run(); }) {}

SongWorker::~SongWorker() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        quitting_ = true;
    }
    wakeUp_.notify_one();
    thread_.join();
}

void SongWorker::add(Task* task) {
    std::lock_guard<std::mutex> lock(mutex_);
    tasks_.push_back(task);
}

void SongWorker::remove(Task* task) noexcept {
    std::unique_lock<std::mutex> lock(mutex_);
    tasks_.erase(std::remove(tasks_.begin(), tasks_.end(), task), tasks_.end());
    progress_.wait(lock, [&] { return current_ != task; });
}

void SongWorker::wake() noexcept {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        wakeRequested_ = true;
    }
    wakeUp_.notify_one();
}

void SongWorker::run() noexcept {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!quitting_) {
        bool rendered = false;
        // By index: tasks may come and go while the mutex is let go for rendering.
        for (std::size_t i = 0; i < tasks_.size(); ++i) {
            Task* task = tasks_[i];
            current_ = task;
            lock.unlock();
            const bool renderedThis = task->renderAhead();
            lock.lock();
            current_ = nullptr;
            rendered = rendered || renderedThis;
            progress_.notify_all();
        }
        if (!rendered && !wakeRequested_) {
            wakeUp_.wait_for(lock, kRest, [this] { return wakeRequested_ || quitting_; });
        }
        wakeRequested_ = false;
    }
}

} // namespace pelgra::audio
