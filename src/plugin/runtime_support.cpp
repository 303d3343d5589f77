// The little of the C++ runtime the deployable Linux library needs, so that it
// links against the C library alone: no libstdc++ symbols, and no symbol
// versions newer than old server distributions have (a static libstdc++
// would pull in its exception and random-device machinery, which needs
// glibc 2.32 to 2.36).  The plugin is built without exceptions: a failed
// allocation or a broken container invariant ends the process, as an
// uncaught exception would.
#include <cstdio>
#include <cstdlib>
#include <new>

namespace {
[[noreturn]] void RuntimeFailure(const char *what) {
    std::fprintf(stderr, "ZEQ Kes-Trin: fatal runtime error: %s\n", what != nullptr ? what : "");
    std::abort();
}

void *Allocate(std::size_t size) {
    void *memory = std::malloc(size == 0 ? 1 : size);
    if (memory == nullptr) RuntimeFailure("out of memory");
    return memory;
}
}  // namespace

void *operator new(std::size_t size) { return Allocate(size); }
void *operator new[](std::size_t size) { return Allocate(size); }
void *operator new(std::size_t size, const std::nothrow_t &) noexcept { return std::malloc(size == 0 ? 1 : size); }
void *operator new[](std::size_t size, const std::nothrow_t &) noexcept { return std::malloc(size == 0 ? 1 : size); }
void operator delete(void *memory) noexcept { std::free(memory); }
void operator delete[](void *memory) noexcept { std::free(memory); }
void operator delete(void *memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void *memory, std::size_t) noexcept { std::free(memory); }

namespace std {
[[noreturn]] void __throw_length_error(const char *what) { RuntimeFailure(what); }
[[noreturn]] void __throw_bad_alloc() { RuntimeFailure("bad_alloc"); }
[[noreturn]] void __throw_bad_array_new_length() { RuntimeFailure("bad_array_new_length"); }
[[noreturn]] void __throw_logic_error(const char *what) { RuntimeFailure(what); }
[[noreturn]] void __throw_out_of_range(const char *what) { RuntimeFailure(what); }
[[noreturn]] void __throw_out_of_range_fmt(const char *what, ...) { RuntimeFailure(what); }
[[noreturn]] void __throw_invalid_argument(const char *what) { RuntimeFailure(what); }
}  // namespace std

extern "C" [[noreturn]] void __cxa_pure_virtual() { RuntimeFailure("pure virtual call"); }
