#include "song/SongWorker.h"

#include "platform/CurrentProcess.h"
#include "platform/ThreadName.h"

#include <algorithm>

namespace pelgra::audio {
namespace {
// How long the worker rests when every ring was full: far shorter than the quarter
// of a second a ring lasts, so the rings stay topped up, yet long enough that waking
// costs little. Calls that need the worker sooner wake it.
constexpr std::chrono::milliseconds kRest{40};
} // namespace

std::shared_ptr<SongWorker> SongWorker::shared() {
    // Never destroyed: an application's static destructors may still load songs at exit.
    struct Current {
        std::mutex mutex;
        std::weak_ptr<SongWorker> worker;
        std::int64_t process = currentProcess(); // the worker's
    };
    static Current* const current = new Current();
    std::lock_guard<std::mutex> lock(current->mutex);
    if (current->process != currentProcess()) {
        // A forked child: the worker's thread is its parent's. Leave that worker to the
        // songs the child copied (and leaks at its close) and start one of its own.
        current->worker.reset();
        current->process = currentProcess();
    }
    std::shared_ptr<SongWorker> worker = current->worker.lock();
    if (worker == nullptr) {
        worker = std::make_shared<SongWorker>();
        current->worker = worker;
    }
    return worker;
}

SongWorker::SongWorker() : m_thread([this] { run(); }) {}

SongWorker::~SongWorker() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_quitting = true;
    }
    m_wakeUp.notify_one();
    m_thread.join();
}

void SongWorker::add(Task* task) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_tasks.push_back(task);
}

void SongWorker::remove(Task* task) noexcept {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_tasks.erase(std::remove(m_tasks.begin(), m_tasks.end(), task), m_tasks.end());
    m_progress.wait(lock, [&] { return m_current != task; });
}

void SongWorker::wake() noexcept {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_wakeRequested = true;
    }
    m_wakeUp.notify_one();
}

void SongWorker::run() noexcept {
    nameThisThread("pelgra-songs");
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_quitting) {
        bool rendered = false;
        // By index: tasks may come and go while the mutex is let go for rendering.
        for (std::size_t i = 0; i < m_tasks.size(); ++i) { // NOLINT(modernize-loop-convert)
            Task* task = m_tasks[i];
            m_current = task;
            lock.unlock();
            const bool renderedThis = task->renderAhead();
            lock.lock();
            m_current = nullptr;
            rendered = rendered || renderedThis;
            m_progress.notify_all();
        }
        if (!rendered && !m_wakeRequested) {
            m_wakeUp.wait_for(lock, kRest, [this] { return m_wakeRequested || m_quitting; });
        }
        m_wakeRequested = false;
    }
}

} // namespace pelgra::audio
