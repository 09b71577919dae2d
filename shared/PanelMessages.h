#pragma once
// The panel's own window messages: the hook library, the shell, the slider
// and the panel itself send them to the panel window.
#include <cstdint>

constexpr uint32_t WM_TRAYICON = 0x401;       // the shell, for the tray icon
constexpr uint32_t WM_PANEL_HIDE = 0x402;     // the hook library: hide the panel at once
constexpr uint32_t WM_PANEL_FADE = 0x414;     // the hide check: start the fade-out
constexpr uint32_t WM_HOOK_WAKE = 0x415;      // the hook library: wake the backlight
constexpr uint32_t WM_SLIDER_MOVING = 0x28D1; // the slider while dragging
constexpr uint32_t WM_SLIDER_MOVED = 0x28D2;  // the slider on release and after each key
