// MinGW's thread runtime (winpthreads, under std::thread, std::mutex and
// sleep_for) imports GetTickCount64, which Windows XP lacks: a program or
// library importing it does not load there. This definition of that
// import's address, linked into what ships, takes the import's place (the
// linker then takes nothing of that name from kernel32): a millisecond count
// made from GetTickCount, which every system has. The runtime uses only
// differences of its values (the deadlines of its timed waits). Other
// compilers' runtimes need none of this.
#if defined(__MINGW32__)
#include <atomic>
#include <cstdint>

#include "framework/Win32.h"

namespace {
// Set up before any code runs (no constructor): the runtime may ask early.
std::atomic_flag countLock = ATOMIC_FLAG_INIT;
uint64_t count = 0; // under countLock

// Adds the 32-bit count's advance since the last call: right while calls
// come less than 49.7 days apart (the 32-bit count's wrap), never going back.
ULONGLONG WINAPI TickCount64() {
    while (countLock.test_and_set(std::memory_order_acquire))
        Sleep(0);
    count += static_cast<DWORD>(GetTickCount() - static_cast<DWORD>(count));
    const uint64_t now = count;
    countLock.clear(std::memory_order_release);
    return now;
}
} // namespace

#if defined(__i386__)
#define TICK_COUNT_64_IMPORT "__imp__GetTickCount64@0"
#else
#define TICK_COUNT_64_IMPORT "__imp_GetTickCount64"
#endif
extern "C" {
ULONGLONG(WINAPI* tickCount64Import)() asm(TICK_COUNT_64_IMPORT) = TickCount64;
}
#endif
