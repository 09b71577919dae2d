#pragma once
// Finding the dialogs and message boxes a thread shows.
#include <windows.h>

#include <string>

inline bool IsDialog(HWND window) {
    char className[16] = "";
    GetClassNameA(window, className, sizeof className);
    return std::string(className) == "#32770";
}

// A message box: a dialog with an OK button and the text control message
// boxes have.
inline bool IsMessageBox(HWND window) {
    return IsDialog(window) && GetDlgItem(window, IDOK) && GetDlgItem(window, 0xFFFF);
}

// The first top-level window of the thread that matches, or null.
inline HWND FindThreadWindow(DWORD threadId, bool (*matches)(HWND)) {
    struct Search {
        bool (*matches)(HWND);
        HWND found;
    } search{matches, nullptr};
    struct Visit {
        static BOOL CALLBACK Window(HWND window, LPARAM param) {
            auto& search = *reinterpret_cast<Search*>(param);
            if (!search.matches(window))
                return TRUE;
            search.found = window;
            return FALSE;
        }
    };
    EnumThreadWindows(threadId, Visit::Window, reinterpret_cast<LPARAM>(&search));
    return search.found;
}
