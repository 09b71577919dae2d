#pragma once
// One box of a kind at a time. A box runs a message loop of its own, which
// dispatches whatever comes meanwhile, a second request for the same box
// among it: opened from there, boxes would nest for as long as requests
// come, until the thread's stack is used up. While a box is up, a further
// request brings it to the front instead.
#include <functional>

#include "framework/Win32.h"

class SingleBox {
public:
    SingleBox() = default;
    SingleBox(const SingleBox&) = delete;
    SingleBox& operator=(const SingleBox&) = delete;

    // Runs open, which shows the box (the first enabled top-level window it
    // makes) and returns once the box is dismissed; while a box of this kind
    // is up, brings that one to the front instead.
    void Show(const std::function<void()>& open);
    // While a box of this kind is up: brings it to the front and gives true.
    bool BringToFront();

private:
    static LRESULT CALLBACK CreationHook(int code, WPARAM wParam, LPARAM lParam);
    void Unhook();

    bool up_ = false;
    HHOOK hook_ = nullptr;  // watches for the box's window until it is made
    HWND window_ = nullptr; // the box, once made
};
