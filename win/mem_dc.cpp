#include "mem_dc.h"

CMemDC::CMemDC(HDC target, const RECT* rect)
    : m_target(target), m_offScreen(::GetDeviceCaps(target, TECHNOLOGY) != DT_RASPRINTER)
{
    if (rect)
        m_rect = *rect;
    else
        ::GetClipBox(target, &m_rect);

    if (m_offScreen) {
        CreateCompatibleDC(target);
        ::LPtoDP(target, reinterpret_cast<POINT*>(&m_rect), 2);
        m_bitmap.CreateCompatibleBitmap(target, m_rect.right - m_rect.left, m_rect.bottom - m_rect.top);
        if (m_hDC && m_bitmap)
            m_oldBitmap = ::SelectObject(m_hDC, m_bitmap);
        ::SetMapMode(m_hDC, ::GetMapMode(target));
        SIZE extent{};
        ::GetWindowExtEx(target, &extent);
        ::SetWindowExtEx(m_hDC, extent.cx, extent.cy, nullptr);
        ::GetViewportExtEx(target, &extent);
        ::SetViewportExtEx(m_hDC, extent.cx, extent.cy, nullptr);
        ::DPtoLP(target, reinterpret_cast<POINT*>(&m_rect), 2);
        ::SetWindowOrgEx(m_hDC, m_rect.left, m_rect.top, nullptr);
    } else {
        m_hDC = target;  // borrowed: the destructor lets go of it without deleting it
    }
    FillSolidRect(m_rect, ::GetBkColor(target));
}

CMemDC::~CMemDC()
{
    if (m_offScreen) {
        if (m_hDC && m_oldBitmap) {
            ::BitBlt(m_target, m_rect.left, m_rect.top, m_rect.right - m_rect.left, m_rect.bottom - m_rect.top,
                     m_hDC, m_rect.left, m_rect.top, SRCCOPY);
            ::SelectObject(m_hDC, m_oldBitmap);
        }
    } else {
        m_hDC = nullptr;
    }
    // The bitmap member is deleted next (now deselected), then the base class deletes the DC.
}
