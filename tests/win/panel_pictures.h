#pragma once
// Pictures for the Windows tests of the panel's controls: a window's pixels
// as they are on screen, a bitmap's pixels, and saving a picture as a build
// artefact (bin/../artefacts/NAME.bmp beside the test program).
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "controls/SliderMath.h"
#include "framework/Gdi.h"
#include "res/resource.h"

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels; // 0x00RRGGBB, top row first

    uint32_t At(int x, int y) const { return pixels[y * width + x] & 0xFFFFFFu; }
};

// The bitmap's pixels, converted to 32 bits.
inline Picture ReadBitmap(HBITMAP bitmap) {
    BITMAP info{};
    GetObjectA(bitmap, sizeof info, &info);
    Picture picture{info.bmWidth, info.bmHeight,
                    std::vector<uint32_t>(static_cast<size_t>(info.bmWidth) * info.bmHeight)};
    BITMAPINFO format = TopDown32(info.bmWidth, info.bmHeight);
    CompatibleDC dc(nullptr);
    GetDIBits(dc, bitmap, 0, static_cast<UINT>(info.bmHeight), picture.pixels.data(), &format,
              DIB_RGB_COLORS);
    return picture;
}

inline Picture ReadBitmapResource(UINT id) {
    Bitmap bitmap(LoadBitmapResource(id));
    return ReadBitmap(bitmap.Get());
}

// The number of pixels of part that differ from whole's pixels at (x, y); -1
// when part does not fit there.
inline int Differences(const Picture& whole, int x, int y, const Picture& part) {
    if (x < 0 || y < 0 || x + part.width > whole.width || y + part.height > whole.height)
        return -1;
    int count = 0;
    for (int row = 0; row < part.height; ++row)
        for (int column = 0; column < part.width; ++column)
            count += whole.At(x + column, y + row) != part.At(column, row);
    return count;
}

// What the panel's slider shows for value over channel: the channel, and the
// thumb's pixels other than its key colour, centred on the value's pixel with
// its top edge 22 pixels down.
inline Picture SliderPicture(UINT channel, int value) {
    const SliderMetrics panel{182, 23, 0, 0, 0, 20};
    Picture picture = ReadBitmapResource(channel);
    const Picture thumb = ReadBitmapResource(IDB_THUMB);
    const int left = ValueToPixel(panel, value) - thumb.width / 2;
    for (int y = 0; y < thumb.height; ++y)
        for (int x = 0; x < thumb.width; ++x)
            if (thumb.At(x, y) != thumb.At(0, 0))
                picture.pixels[(22 + y) * picture.width + left + x] = thumb.At(x, y);
    return picture;
}

// width x height pixels of source from (x, y).
inline Picture CaptureFrom(HDC source, int x, int y, int width, int height) {
    CompatibleDC memory(source);
    Bitmap bitmap(CreateCompatibleBitmap(source, width, height));
    {
        SelectionGuard select(memory, bitmap.Get());
        BitBlt(memory, 0, 0, width, height, source, x, y, SRCCOPY);
    }
    return ReadBitmap(bitmap.Get());
}

// The window's pixels as drawn on screen (the window must be visible and
// uncovered, and of this process), including its non-client area when whole
// is true.
inline Picture CaptureWindow(HWND window, bool whole = false) {
    RECT r{};
    if (whole)
        GetWindowRect(window, &r);
    else
        GetClientRect(window, &r);
    const HDC source = whole ? GetWindowDC(window) : GetDC(window);
    Picture picture = CaptureFrom(source, 0, 0, r.right - r.left, r.bottom - r.top);
    ReleaseDC(window, source);
    return picture;
}

// What the screen shows where the window stands (also a window of another
// process, whose drawing another process cannot read through its own).
inline Picture CaptureScreenOf(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    const HDC screen = GetDC(nullptr);
    Picture picture = CaptureFrom(screen, r.left, r.top, r.right - r.left, r.bottom - r.top);
    ReleaseDC(nullptr, screen);
    return picture;
}

// Saves the picture as NAME.bmp in the artefacts folder beside bin/.
inline std::string SaveArtefact(const Picture& picture, const std::string& name) {
    char module[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    std::string folder(module);
    folder.resize(folder.find_last_of("\\/"));     // .../bin
    folder.resize(folder.find_last_of("\\/") + 1); // .../
    folder += "artefacts";
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string path = folder + "\\" + name + ".bmp";
    BITMAPINFO info = TopDown32(picture.width, picture.height);
    const DWORD bytes = static_cast<DWORD>(picture.pixels.size() * 4);
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42; // "BM"
    file.bfOffBits = sizeof file + sizeof info.bmiHeader;
    file.bfSize = file.bfOffBits + bytes;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
    out.write(reinterpret_cast<const char*>(picture.pixels.data()), bytes);
    return path;
}
