// Keypad.exe: a window with the keypad's keys, for a person to press them
// while the program runs. A line under the keys shows what the controller
// holds, refreshed a few times a second.
#include <windows.h>

#include <cstdio>

#include "drivers/KeypadSimClient.h"

using keypad::Key;
using keypad::KeypadModel;

namespace {

constexpr char kClassName[] = "LumitraxKeypadSimWindow";
constexpr int kFirstKeyId = 100; // key i has control id kFirstKeyId + i
constexpr int kStateLineId = 200;
constexpr UINT_PTR kRefreshTimer = 1;
constexpr UINT kRefreshMs = 250;

constexpr int kColumns = 4;
constexpr int kButtonWidth = 96;
constexpr int kButtonHeight = 32;
constexpr int kGap = 8;
constexpr int kRows = (keypad::kKeyCount + kColumns - 1) / kColumns;
constexpr int kStateLineHeight = 20;
constexpr int kClientWidth = kColumns * (kButtonWidth + kGap) + kGap;
constexpr int kClientHeight = kRows * (kButtonHeight + kGap) + kStateLineHeight + kGap;
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

KeypadSimClient& ControllerOf(HWND window) {
    return *reinterpret_cast<KeypadSimClient*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

void ShowControllerState(HWND window) {
    char text[128];
    ControllerOf(window).Run([&](KeypadModel& model, uint64_t) {
        const uint8_t status = *model.Peek(keypad::reg::kStatus);
        std::snprintf(text, sizeof text, "Brightness %u   Volume %u   Backlight %s%s%s%s",
                      *model.Peek(keypad::reg::kBrightness), *model.Peek(keypad::reg::kVolume),
                      (*model.Peek(keypad::reg::kBacklight) & 1) ? "on" : "off",
                      (status & keypad::status::kMute) ? "   Muted" : "",
                      (status & keypad::status::kLocked) ? "   Locked" : "",
                      (status & keypad::status::kDimming) ? "   Dimming" : "");
    });
    SetDlgItemTextA(window, kStateLineId, text);
}

void AddControl(HWND window, const char* className, const char* text, DWORD style, int id,
                const RECT& place) {
    HWND control =
        CreateWindowA(className, text, WS_CHILD | WS_VISIBLE | style, place.left, place.top,
                      place.right - place.left, place.bottom - place.top, window,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                 FALSE);
}

void OnCreate(HWND window) {
    for (int i = 0; i < keypad::kKeyCount; ++i) {
        const int x = kGap + (i % kColumns) * (kButtonWidth + kGap);
        const int y = kGap + (i / kColumns) * (kButtonHeight + kGap);
        AddControl(window, "BUTTON", keypad::KeyName(static_cast<Key>(i)), BS_PUSHBUTTON,
                   kFirstKeyId + i, RECT{x, y, x + kButtonWidth, y + kButtonHeight});
    }
    const int top = kRows * (kButtonHeight + kGap) + kGap / 2;
    AddControl(window, "STATIC", "", SS_LEFT, kStateLineId,
               RECT{kGap, top, kClientWidth - kGap, top + kStateLineHeight});
    ShowControllerState(window);
    SetTimer(window, kRefreshTimer, kRefreshMs, nullptr);
}

void OnKeyButton(HWND window, Key key) {
    ControllerOf(window).Run(
        [&](KeypadModel& model, uint64_t nowUs) { model.PressKey(key, nowUs); });
    ShowControllerState(window);
}

LRESULT CALLBACK KeypadWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NCCREATE: {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        break;
    }
    case WM_CREATE:
        OnCreate(window);
        return 0;
    case WM_COMMAND: {
        const int index = LOWORD(wParam) - kFirstKeyId;
        if (HIWORD(wParam) == BN_CLICKED && index >= 0 && index < keypad::kKeyCount) {
            OnKeyButton(window, static_cast<Key>(index));
            return 0;
        }
        break;
    }
    case WM_TIMER:
        ShowControllerState(window);
        return 0;
    case WM_DESTROY:
        KillTimer(window, kRefreshTimer);
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    const auto controller = KeypadSimClient::Open();
    if (!controller) {
        MessageBoxA(nullptr, "The simulated keypad controller cannot be opened.", "Keypad",
                    MB_OK | MB_ICONERROR);
        return 1;
    }
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = KeypadWindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kClassName;
    if (!RegisterClassA(&windowClass)) {
        return 1;
    }
    RECT frame{0, 0, kClientWidth, kClientHeight};
    AdjustWindowRect(&frame, kWindowStyle, FALSE);
    HWND window = CreateWindowA(kClassName, "Keypad", kWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                                frame.right - frame.left, frame.bottom - frame.top, nullptr,
                                nullptr, instance, controller.get());
    if (!window) {
        return 1;
    }
    ShowWindow(window, showCommand);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}
