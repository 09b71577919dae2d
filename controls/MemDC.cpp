#include "controls/MemDC.h"

CMemDC::CMemDC(HDC target, const RECT& area) : CompatibleDC(target), target_(target), area_(area) {
    const HDC memory = Get();
    LPtoDP(target_, reinterpret_cast<POINT*>(&area_), 2);
    buffer_.Reset(
        CreateCompatibleBitmap(target_, area_.right - area_.left, area_.bottom - area_.top));
    oldBitmap_ = SelectObject(memory, buffer_.Get());

    SetMapMode(memory, GetMapMode(target_));
    SIZE extent{};
    GetWindowExtEx(target_, &extent);
    SetWindowExtEx(memory, extent.cx, extent.cy, nullptr);
    GetViewportExtEx(target_, &extent);
    SetViewportExtEx(memory, extent.cx, extent.cy, nullptr);

    DPtoLP(target_, reinterpret_cast<POINT*>(&area_), 2);
    SetWindowOrgEx(memory, area_.left, area_.top, nullptr);

    // A solid fill in the target's background colour, which becomes the
    // memory context's background colour too.
    SetBkColor(memory, GetBkColor(target_));
    ExtTextOutA(memory, 0, 0, ETO_OPAQUE, &area_, nullptr, 0, nullptr);
}

CMemDC::~CMemDC() {
    const HDC memory = Get();
    BitBlt(target_, area_.left, area_.top, area_.right - area_.left, area_.bottom - area_.top,
           memory, area_.left, area_.top, SRCCOPY);
    if (oldBitmap_)
        SelectObject(memory, oldBitmap_);
    // buffer_, no longer selected, is deleted next; the base class then
    // deletes the memory context.
}
