// The global allocation functions, over the Universal CRT's heap. Every module has its own
// copy, but all of them share that heap, so memory allocated in one DLL may be released
// in another: the utility library's Strings rely on it.
#include <new>
#include <stdlib.h>

namespace {

void* allocate(std::size_t size) {
    void* memory = malloc(size != 0 ? size : 1);
    // No exceptions in these modules, so no std::bad_alloc: a failed allocation ends the
    // program rather than returning null to code that cannot expect it.
    if (memory == nullptr) {
        abort();
    }
    return memory;
}

} // namespace

void* operator new(std::size_t size) {
    return allocate(size);
}

void* operator new[](std::size_t size) {
    return allocate(size);
}

void operator delete(void* pointer) noexcept {
    free(pointer);
}

void operator delete[](void* pointer) noexcept {
    free(pointer);
}

void operator delete(void* pointer, std::size_t /*size*/) noexcept {
    free(pointer);
}

void operator delete[](void* pointer, std::size_t /*size*/) noexcept {
    free(pointer);
}
