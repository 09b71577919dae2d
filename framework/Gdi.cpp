#include "framework/Gdi.h"

#include <cstdlib>
#include <cstring>

BITMAPINFO TopDown32(int width, int height) {
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = width;
    format.bmiHeader.biHeight = -height;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    return format;
}

namespace {
HBITMAP CreateSection(int width, int height, void** bits) {
    const BITMAPINFO format = TopDown32(width, height);
    return CreateDIBSection(nullptr, &format, DIB_RGB_COLORS, bits, nullptr, 0);
}
} // namespace

const BITMAPINFO* BitmapResourceInfo(UINT id) {
    const HMODULE module = GetModuleHandleA(nullptr);
    const HRSRC found =
        FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(2)); // RT_BITMAP
    const HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const auto* info = static_cast<const BITMAPINFO*>(loaded ? LockResource(loaded) : nullptr);
    if (!info || SizeofResource(module, found) < sizeof(BITMAPINFOHEADER))
        return nullptr;
    return info;
}

HBITMAP LoadBitmapResource(UINT id) {
    const BITMAPINFO* info = BitmapResourceInfo(id);
    if (!info)
        return nullptr;
    const BITMAPINFOHEADER& header = info->bmiHeader;
    const int width = header.biWidth;
    const int height = std::abs(header.biHeight);
    // The pixels follow the header and the colour table (three masks for
    // bit fields).
    DWORD colours = header.biClrUsed;
    if (!colours && header.biBitCount <= 8)
        colours = 1u << header.biBitCount;
    if (header.biCompression == BI_BITFIELDS)
        colours = 3;
    const auto* pixels =
        reinterpret_cast<const BYTE*>(info) + header.biSize + colours * sizeof(RGBQUAD);
    void* bits = nullptr;
    Bitmap section(CreateSection(width, height, &bits));
    if (!section)
        return nullptr;
    CompatibleDC dc(nullptr);
    // SetDIBits decodes every stored form into the section.
    if (SetDIBits(dc, section.Get(), 0, static_cast<UINT>(height), pixels, info, DIB_RGB_COLORS) !=
        height)
        return nullptr;
    return section.Release();
}

HBITMAP CreatePixelBitmap(int width, int height, const uint32_t* pixels) {
    void* bits = nullptr;
    const HBITMAP section = CreateSection(width, height, &bits);
    if (section)
        std::memcpy(bits, pixels, static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    return section;
}
