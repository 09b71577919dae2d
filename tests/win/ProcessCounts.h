#pragma once
// Counts of this process's own resources, for tests that look for leaks.
#include <windows.h>

#include <tlhelp32.h>
#include <winternl.h>

#include <cstdint>

// Threads of this process.
inline long ThreadsOfThisProcess() {
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    long count = 0;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        count += entry.th32OwnerProcessID == GetCurrentProcessId();
    CloseHandle(snapshot);
    return count;
}

// Handles of this process, counted by asking after each possible value
// where the system does not count them (Wine).
inline long HandlesOfThisProcess() {
    DWORD handles = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &handles) && handles > 0)
        return static_cast<long>(handles);
    long count = 0;
    for (ULONG_PTR value = 4; value < 0x10000; value += 4) {
        DWORD flags = 0;
        count += GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags) ? 1 : 0;
    }
    return count;
}

// GDI objects of this process. Where the system does not count them (Wine's
// count is always 0) they are counted in the GDI handle table that the
// process environment block points to: 0x10000 entries of 24 bytes, each in
// use with a nonzero type byte. (On Windows that table is the session's, but
// there the system's own count is taken.) 0 when neither is to be had.
inline long GdiObjectsOfThisProcess() {
    const long counted = static_cast<long>(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS));
    if (counted > 0)
        return counted;
    struct HandleEntry {
        uint64_t object;
        uint32_t owner;
        uint16_t unique;
        uint8_t type;
        uint8_t flags;
        uint64_t user;
    };
    static_assert(sizeof(HandleEntry) == 24, "one entry of the GDI handle table");
#ifdef _WIN64
    constexpr size_t kTableOffset = 0xF8;
#else
    constexpr size_t kTableOffset = 0x94;
#endif
    using QueryProcess = NTSTATUS(WINAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<QueryProcess>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION basic{};
    if (!query ||
        query(GetCurrentProcess(), ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0 ||
        !basic.PebBaseAddress)
        return 0;
    const auto* peb = reinterpret_cast<const BYTE*>(basic.PebBaseAddress);
    const auto* table = *reinterpret_cast<const HandleEntry* const*>(peb + kTableOffset);
    if (!table)
        return 0;
    long count = 0;
    for (size_t i = 0; i < 0x10000; ++i)
        count += table[i].type != 0 ? 1 : 0;
    return count;
}
