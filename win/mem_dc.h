#pragma once
// CMemDC: draws off-screen and copies the result to its target in one BitBlt when it goes, so a
// window that repaints often (the selection overlay, the main window) does not flicker. The memory
// bitmap is selected out again before it is deleted. For a printer target it draws straight
// into the target instead, which it borrows and never closes.
#include "win/dc.h"
#include "win/gdi_object.h"

class CMemDC : public CDC {
public:
    // rect is in the target's logical units; null means the target's clip box.
    explicit CMemDC(HDC target, const RECT* rect = nullptr);
    ~CMemDC() override;
    CMemDC(const CMemDC&) = delete;
    CMemDC& operator=(const CMemDC&) = delete;

    const RECT& Rect() const { return m_rect; }
    bool IsOffScreen() const { return m_offScreen; }

private:
    CBitmap m_bitmap;
    HGDIOBJ m_oldBitmap = nullptr;
    HDC m_target;
    RECT m_rect{};
    bool m_offScreen;
};
