#pragma once
// Finding the dialogs and message boxes a thread shows.
#include <windows.h>

#include <chrono>
#include <optional>
#include <string>

#include "tests/win/WaitUntil.h"

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

// How many visible message boxes the thread has up (more than one: nested).
inline int MessageBoxesOf(DWORD threadId) {
    struct Visit {
        static BOOL CALLBACK Window(HWND window, LPARAM count) {
            if (IsMessageBox(window) && IsWindowVisible(window))
                ++*reinterpret_cast<int*>(count);
            return TRUE;
        }
    };
    int count = 0;
    EnumThreadWindows(threadId, Visit::Window, reinterpret_cast<LPARAM>(&count));
    return count;
}

struct ShownMessageBox {
    std::string caption;
    std::string text;
    HWND owner;
};

// Reads a message box the thread has up and answers it with OK, waiting (at
// most 5 s) until it has gone; nothing when no box is up.
inline std::optional<ShownMessageBox> AnswerMessageBox(DWORD threadId) {
    const HWND box = FindThreadWindow(threadId, IsMessageBox);
    if (!box)
        return std::nullopt;
    char caption[128] = "", text[256] = "";
    GetWindowTextA(box, caption, sizeof caption);
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    const ShownMessageBox shown{caption, text, GetWindow(box, GW_OWNER)};
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    WaitUntil([box] { return !IsWindow(box); }, std::chrono::milliseconds(5000));
    return shown;
}
