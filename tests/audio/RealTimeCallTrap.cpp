// The replacements are defined in the program, which the dynamic linker searches first,
// so the library's calls (and the C++ runtime's, on its behalf) reach them. They forward
// to glibc: the allocator through its __libc_ entry points, which do not call back into
// the replacements; the lock calls through dlsym(RTLD_NEXT), looked up once each.
// Noting a call allocates nothing and takes no lock; a call made while one is being
// noted on the same thread (backtrace() may load its unwinder) is not noted.
#include "RealTimeCallTrap.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <execinfo.h>
#include <pthread.h>
#include <semaphore.h>
#include <sys/prctl.h>
#include <thread>

// glibc's allocator under its own names. NOLINTBEGIN(bugprone-reserved-identifier)
extern "C" {
void* __libc_malloc(std::size_t size) noexcept;
void* __libc_calloc(std::size_t count, std::size_t size) noexcept;
void* __libc_realloc(void* memory, std::size_t size) noexcept;
void* __libc_memalign(std::size_t alignment, std::size_t size) noexcept;
void* __libc_valloc(std::size_t size) noexcept;
void* __libc_pvalloc(std::size_t size) noexcept;
void __libc_free(void* memory) noexcept;
}
// NOLINTEND(bugprone-reserved-identifier)

namespace calltrap {
namespace {

constexpr int kKinds = 32;
constexpr int kStackDepth = 32;

struct Kind {
    std::atomic<const char*> call{nullptr};
    std::atomic<int> count{0};
};

std::atomic<bool> g_armed{false};
std::atomic<int> g_noting{0}; // calls between the armed check and the end of their note
std::atomic<int> g_trapped{0};
std::array<Kind, kKinds> g_kinds;
std::array<void*, kStackDepth> g_firstStack{};
int g_firstDepth = 0;
thread_local bool t_noting = false;

bool onAudioThread() noexcept {
    char name[16] = {}; // PR_GET_NAME writes at most 16 bytes, the terminator included
    prctl(PR_GET_NAME, name);
    return std::strcmp(name, kAudioThreadName) == 0;
}

void count(const char* call) noexcept {
    for (Kind& kind : g_kinds) {
        const char* expected = nullptr;
        if (kind.call.compare_exchange_strong(expected, call) || expected == call) {
            kind.count.fetch_add(1);
            return;
        }
    }
}

// `call` is a literal: its address tells the kinds apart.
void noteCall(const char* call) noexcept {
    if (!g_armed.load(std::memory_order_relaxed) || t_noting) {
        return;
    }
    t_noting = true;
    g_noting.fetch_add(1);
    if (g_armed.load() && onAudioThread()) {
        count(call);
        if (g_trapped.fetch_add(1) == 0) {
            g_firstDepth = backtrace(g_firstStack.data(), kStackDepth);
        }
    }
    g_noting.fetch_sub(1);
    t_noting = false;
}

// The definition glibc gives `name`, looked up once.
void* original(std::atomic<void*>& slot, const char* name) noexcept {
    void* function = slot.load(std::memory_order_acquire);
    if (function == nullptr) {
        function = dlsym(RTLD_NEXT, name);
        slot.store(function, std::memory_order_release);
    }
    return function;
}

// The function a return address lies in, through binutils' addr2line, which also
// names the library's hidden functions; "?" when that fails.
std::string functionAt(void* returnAddress) {
    Dl_info info{};
    if (dladdr(returnAddress, &info) == 0 || info.dli_fname == nullptr) {
        return "?";
    }
    // One byte back: the call instruction rather than the one after it.
    const std::uintptr_t offset = reinterpret_cast<std::uintptr_t>(returnAddress) -
                                  reinterpret_cast<std::uintptr_t>(info.dli_fbase) - 1;
    std::array<char, 32> hex{};
    std::snprintf(hex.data(), hex.size(), "%#jx", static_cast<std::uintmax_t>(offset));
    const std::string command =
        "addr2line -Cf -e '" + std::string(info.dli_fname) + "' " + hex.data() + " 2>/dev/null";
    std::string name = "?";
    if (FILE* pipe = popen(command.c_str(), "r")) {
        std::array<char, 512> line{};
        if (std::fgets(line.data(), static_cast<int>(line.size()), pipe) != nullptr) {
            name.assign(line.data(), std::strcspn(line.data(), "\n"));
        }
        pclose(pipe);
    }
    return name;
}

} // namespace

void arm() {
    void* warmUp[1];
    backtrace(warmUp, 1); // loads the unwinder now rather than inside a note
    for (Kind& kind : g_kinds) {
        kind.call.store(nullptr);
        kind.count.store(0);
    }
    g_firstDepth = 0;
    g_trapped.store(0);
    g_armed.store(true);
}

void disarm() {
    g_armed.store(false);
    while (g_noting.load() != 0) {
        std::this_thread::yield();
    }
}

int trappedCalls() {
    return g_trapped.load();
}

std::string report() {
    std::string text;
    for (const Kind& kind : g_kinds) {
        if (const char* call = kind.call.load()) {
            text += std::string(call) + " x" + std::to_string(kind.count.load()) + "\n";
        }
    }
    if (g_firstDepth > 0) {
        text += "the first one made at:\n";
        char** frames = backtrace_symbols(g_firstStack.data(), g_firstDepth);
        // From 1: frame 0 is the note itself.
        for (int i = 1; frames != nullptr && i < g_firstDepth; ++i) {
            text += "  " + functionAt(g_firstStack[static_cast<std::size_t>(i)]) + "  " +
                    frames[i] + "\n";
        }
        free(frames); // backtrace_symbols allocates the lines in one block
    }
    return text;
}

} // namespace calltrap

#define PELGRA_REPLACES __attribute__((visibility("default")))

// ---- The allocator ----------------------------------------------------------------

extern "C" PELGRA_REPLACES void* malloc(std::size_t size) noexcept {
    calltrap::noteCall("malloc");
    return __libc_malloc(size);
}

extern "C" PELGRA_REPLACES void* calloc(std::size_t count, std::size_t size) noexcept {
    calltrap::noteCall("calloc");
    return __libc_calloc(count, size);
}

extern "C" PELGRA_REPLACES void* realloc(void* memory, std::size_t size) noexcept {
    calltrap::noteCall("realloc");
    return __libc_realloc(memory, size);
}

extern "C" PELGRA_REPLACES void* reallocarray(void* memory, std::size_t count,
                                              std::size_t size) noexcept {
    calltrap::noteCall("reallocarray");
    std::size_t bytes = 0;
    if (__builtin_mul_overflow(count, size, &bytes)) {
        errno = ENOMEM;
        return nullptr;
    }
    return __libc_realloc(memory, bytes);
}

extern "C" PELGRA_REPLACES void free(void* memory) noexcept {
    calltrap::noteCall("free");
    __libc_free(memory);
}

extern "C" PELGRA_REPLACES void* memalign(std::size_t alignment, std::size_t size) noexcept {
    calltrap::noteCall("memalign");
    return __libc_memalign(alignment, size);
}

extern "C" PELGRA_REPLACES void* aligned_alloc(std::size_t alignment, std::size_t size) noexcept {
    calltrap::noteCall("aligned_alloc");
    return __libc_memalign(alignment, size);
}

extern "C" PELGRA_REPLACES int posix_memalign(void** memory, std::size_t alignment,
                                              std::size_t size) noexcept {
    calltrap::noteCall("posix_memalign");
    if (alignment % sizeof(void*) != 0 || (alignment & (alignment - 1)) != 0) {
        return EINVAL;
    }
    void* block = __libc_memalign(alignment, size);
    if (block == nullptr) {
        return ENOMEM;
    }
    *memory = block;
    return 0;
}

extern "C" PELGRA_REPLACES void* valloc(std::size_t size) noexcept {
    calltrap::noteCall("valloc");
    return __libc_valloc(size);
}

extern "C" PELGRA_REPLACES void* pvalloc(std::size_t size) noexcept {
    calltrap::noteCall("pvalloc");
    return __libc_pvalloc(size);
}

// ---- Locks and waits ----------------------------------------------------------------

// Defines `name` with the parameters `params` (as declared by glibc, `spec` being its
// noexcept-style exception clause) to note the call and pass `args` on to glibc's definition.
// `name` is a function's name and `args` a parenthesised argument list: neither can be
// put in parentheses. NOLINTBEGIN(bugprone-macro-parentheses)
#define PELGRA_TRAP_CALL(name, params, args, spec)                                                 \
    extern "C" PELGRA_REPLACES int name params spec {                                              \
        calltrap::noteCall(#name);                                                                 \
        static std::atomic<void*> glibcs{nullptr};                                                 \
        return reinterpret_cast<decltype(&name)>(calltrap::original(glibcs, #name)) args;          \
    }
// NOLINTEND(bugprone-macro-parentheses)

PELGRA_TRAP_CALL(pthread_mutex_lock, (pthread_mutex_t * m), (m), noexcept)
PELGRA_TRAP_CALL(pthread_mutex_trylock, (pthread_mutex_t * m), (m), noexcept)
PELGRA_TRAP_CALL(pthread_mutex_timedlock, (pthread_mutex_t * m, const timespec* t), (m, t),
                 noexcept)
PELGRA_TRAP_CALL(pthread_mutex_clocklock, (pthread_mutex_t * m, clockid_t c, const timespec* t),
                 (m, c, t), noexcept)
PELGRA_TRAP_CALL(pthread_rwlock_rdlock, (pthread_rwlock_t * l), (l), noexcept)
PELGRA_TRAP_CALL(pthread_rwlock_wrlock, (pthread_rwlock_t * l), (l), noexcept)
PELGRA_TRAP_CALL(pthread_rwlock_tryrdlock, (pthread_rwlock_t * l), (l), noexcept)
PELGRA_TRAP_CALL(pthread_rwlock_trywrlock, (pthread_rwlock_t * l), (l), noexcept)
PELGRA_TRAP_CALL(pthread_rwlock_timedrdlock, (pthread_rwlock_t * l, const timespec* t), (l, t),
                 noexcept)
PELGRA_TRAP_CALL(pthread_rwlock_timedwrlock, (pthread_rwlock_t * l, const timespec* t), (l, t),
                 noexcept)
PELGRA_TRAP_CALL(pthread_rwlock_clockrdlock, (pthread_rwlock_t * l, clockid_t c, const timespec* t),
                 (l, c, t), noexcept)
PELGRA_TRAP_CALL(pthread_rwlock_clockwrlock, (pthread_rwlock_t * l, clockid_t c, const timespec* t),
                 (l, c, t), noexcept)
PELGRA_TRAP_CALL(pthread_spin_lock, (pthread_spinlock_t * l), (l), noexcept)
PELGRA_TRAP_CALL(pthread_spin_trylock, (pthread_spinlock_t * l), (l), noexcept)
// The waits are cancellation points, declared without noexcept.
PELGRA_TRAP_CALL(pthread_cond_wait, (pthread_cond_t * c, pthread_mutex_t* m), (c, m), )
PELGRA_TRAP_CALL(pthread_cond_timedwait,
                 (pthread_cond_t * c, pthread_mutex_t* m, const timespec* t), (c, m, t), )
PELGRA_TRAP_CALL(pthread_cond_clockwait,
                 (pthread_cond_t * c, pthread_mutex_t* m, clockid_t k, const timespec* t),
                 (c, m, k, t), )
PELGRA_TRAP_CALL(sem_wait, (sem_t * s), (s), )
PELGRA_TRAP_CALL(sem_trywait, (sem_t * s), (s), noexcept)
PELGRA_TRAP_CALL(sem_timedwait, (sem_t * s, const timespec* t), (s, t), )
PELGRA_TRAP_CALL(sem_clockwait, (sem_t * s, clockid_t c, const timespec* t), (s, c, t), )
