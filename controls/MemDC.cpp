#include "controls/MemDC.h"

CMemDC::CMemDC(HDC target, const RECT& area)
    : MemoryDC(target), m_pTargetDC(target), m_rcArea(area) {
    const HDC memory = Get();
    LPtoDP(m_pTargetDC, reinterpret_cast<POINT*>(&m_rcArea), 2);
    m_bmpBuffer.Reset(CreateCompatibleBitmap(m_pTargetDC, m_rcArea.right - m_rcArea.left,
                                             m_rcArea.bottom - m_rcArea.top));
    m_pOldBitmap = SelectObject(memory, m_bmpBuffer.Get());

    SetMapMode(memory, GetMapMode(m_pTargetDC));
    SIZE extent{};
    GetWindowExtEx(m_pTargetDC, &extent);
    SetWindowExtEx(memory, extent.cx, extent.cy, nullptr);
    GetViewportExtEx(m_pTargetDC, &extent);
    SetViewportExtEx(memory, extent.cx, extent.cy, nullptr);

    DPtoLP(m_pTargetDC, reinterpret_cast<POINT*>(&m_rcArea), 2);
    SetWindowOrgEx(memory, m_rcArea.left, m_rcArea.top, nullptr);

    // A solid fill in the target's background colour, which becomes the
    // memory context's background colour too.
    SetBkColor(memory, GetBkColor(m_pTargetDC));
    ExtTextOutA(memory, 0, 0, ETO_OPAQUE, &m_rcArea, nullptr, 0, nullptr);
}

CMemDC::~CMemDC() {
    const HDC memory = Get();
    BitBlt(m_pTargetDC, m_rcArea.left, m_rcArea.top, m_rcArea.right - m_rcArea.left,
           m_rcArea.bottom - m_rcArea.top, memory, m_rcArea.left, m_rcArea.top, SRCCOPY);
    if (m_pOldBitmap)
        SelectObject(memory, m_pOldBitmap);
    // m_bmpBuffer, no longer selected, is deleted next; the base class then
    // deletes the memory context.
}
