#pragma once
// Owners for GDI objects and memory drawing contexts: each releases exactly
// what it created, on every path.
#include <cstdint>
#include <utility>

#include "framework/Win32.h"

// Owns one GDI object (bitmap, region) and deletes it.
template <class Handle> class GdiObject {
public:
    GdiObject() = default;
    explicit GdiObject(Handle handle) : handle_(handle) {}
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    GdiObject(GdiObject&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    GdiObject& operator=(GdiObject&& other) noexcept {
        Reset(std::exchange(other.handle_, nullptr));
        return *this;
    }
    ~GdiObject() { Reset(); }

    Handle Get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    // Takes ownership of handle, deleting the one held before.
    void Reset(Handle handle = nullptr) {
        if (handle_)
            DeleteObject(handle_);
        handle_ = handle;
    }
    // Gives up ownership (for example to SetWindowRgn, which takes it over).
    Handle Release() { return std::exchange(handle_, nullptr); }

private:
    Handle handle_ = nullptr;
};

using Bitmap = GdiObject<HBITMAP>;
using Region = GdiObject<HRGN>;

// A drawing context created compatible with another one (for reading or
// copying bitmaps); deleted at the end.
class CompatibleDC {
public:
    explicit CompatibleDC(HDC compatibleWith) : dc_(CreateCompatibleDC(compatibleWith)) {}
    CompatibleDC(const CompatibleDC&) = delete;
    CompatibleDC& operator=(const CompatibleDC&) = delete;
    ~CompatibleDC() {
        if (dc_)
            DeleteDC(dc_);
    }
    HDC Get() const { return dc_; }
    operator HDC() const { return dc_; }

private:
    HDC dc_;
};

// The screen's drawing context, released at the end.
class ScreenDC {
public:
    ScreenDC() : dc_(GetDC(nullptr)) {}
    ScreenDC(const ScreenDC&) = delete;
    ScreenDC& operator=(const ScreenDC&) = delete;
    ~ScreenDC() {
        if (dc_)
            ReleaseDC(nullptr, dc_);
    }
    operator HDC() const { return dc_; }

private:
    HDC dc_;
};

// Selects an object into a context and puts the previous one back.
class SelectionGuard {
public:
    SelectionGuard(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    SelectionGuard(const SelectionGuard&) = delete;
    SelectionGuard& operator=(const SelectionGuard&) = delete;
    ~SelectionGuard() {
        if (previous_)
            SelectObject(dc_, previous_);
    }

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// The format of a 32-bit top-down DIB of width × height (0x00RRGGBB pixels,
// top row first).
BITMAPINFO TopDown32(int width, int height);
// The header of a bitmap resource of this module, as stored (its colour
// table and pixels follow it); null when there is none.
const BITMAPINFO* BitmapResourceInfo(UINT id);
// Loads a bitmap resource of this module as a 32-bit top-down DIB section,
// whatever form it is stored in (run-length encoded pictures too); null when
// there is none.
HBITMAP LoadBitmapResource(UINT id);
// A 32-bit top-down DIB section of width × height with the given pixels
// (0x00RRGGBB, top row first); null when it cannot be made.
HBITMAP CreatePixelBitmap(int width, int height, const uint32_t* pixels);
