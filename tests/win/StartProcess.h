#pragma once
// Starting a process from a Windows test: a helper tool, the program under
// test, msiexec. Under Wine, CreateProcess can fail with ERROR_INTERNAL_ERROR
// when the new process dies in Wine's own start-up, before any code of the
// program runs (seen once in some thousands of starts on a busy two-core
// host), so such a failure says nothing of the program. That start is made
// again, in at most three attempts in all, each retry noted on stderr. Any
// other error returns false at once, GetLastError() still that call's error.
#include <windows.h>

#include <cstdio>
#include <string>

inline bool StartProcess(std::string& commandLine, bool inheritHandles, DWORD flags,
                         const char* currentDirectory, STARTUPINFOA& startup,
                         PROCESS_INFORMATION& process) {
    for (int attempt = 1;; ++attempt) {
        if (CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, inheritHandles, flags,
                           nullptr, currentDirectory, &startup, &process))
            return true;
        if (GetLastError() != ERROR_INTERNAL_ERROR || attempt == 3)
            return false;
        std::fprintf(stderr, "start of %s failed in Wine's start-up (error 1359), again\n",
                     commandLine.c_str());
    }
}
