// The one thread ("pelgra-songs") that renders every live song ahead of the audio
// thread. Songs register as tasks; the worker walks them in turn, each time letting each
// render a slice, and sleeps briefly when none had anything to do. Application threads
// add, remove and wake it and wait for its progress under its mutex, which the audio
// thread never touches.
#ifndef PELGRA_AUDIO_SONG_WORKER_H
#define PELGRA_AUDIO_SONG_WORKER_H

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace pelgra::audio {

class SongWorker {
public:
    class Task {
    public:
        // Renders one slice ahead if there is room; returns whether it rendered
        // (then more may be wanted soon). Runs on the worker thread only.
        virtual bool renderAhead() noexcept = 0;

    protected:
        ~Task() = default;
    };

    // The worker the live songs share, started when the first song asks for it; its
    // thread ends when the last song lets go. A forked child gets a worker of its own.
    // Throws when no thread can be started.
    static std::shared_ptr<SongWorker> shared();

    SongWorker();
    ~SongWorker();
    SongWorker(const SongWorker&) = delete;
    SongWorker& operator=(const SongWorker&) = delete;

    // Adds a task (may throw std::bad_alloc).
    void add(Task* task);

    // Removes a task, waiting while the worker is inside it: afterwards the worker
    // never touches it again. Harmless for a task never added.
    void remove(Task* task) noexcept;

    // Makes the worker walk the tasks now rather than after its pause.
    void wake() noexcept;

    // Waits until `done()` holds, checking it whenever a task has rendered, or until
    // the timeout. Returns the last value of `done()`.
    template <typename Condition>
    bool waitUntil(Condition done, std::chrono::milliseconds timeout) noexcept {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_progress.wait_for(lock, timeout, done);
    }

private:
    void run() noexcept;

    std::mutex m_mutex;
    std::condition_variable m_wakeUp;
    std::condition_variable m_progress;
    std::vector<Task*> m_tasks;
    Task* m_current = nullptr; // the task the worker is inside, outside the mutex
    bool m_wakeRequested = false;
    bool m_quitting = false;
    std::thread m_thread; // last: starts once everything above exists
};

} // namespace pelgra::audio

#endif
