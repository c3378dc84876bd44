#pragma once
// Device contexts. CDCHandle borrows a DC and carries the drawing helpers; the owning kinds
// release their DC in the way it was obtained: CDC (created, DeleteDC), CPaintDC (EndPaint),
// CClientDC and CWindowDC (ReleaseDC). CSelectGuard puts back what a selection replaced.
#include <windows.h>

#include <string>
#include <utility>

class CDCHandle {
public:
    CDCHandle() = default;
    explicit CDCHandle(HDC dc) : m_hDC(dc) {}

    HDC GetSafeHdc() const { return m_hDC; }
    operator HDC() const { return m_hDC; }

    void FillSolidRect(const RECT& rect, COLORREF colour) const
    {
        // The classic one-call fill: an opaque empty text run paints the rectangle.
        COLORREF old = ::SetBkColor(m_hDC, colour);
        ::ExtTextOutW(m_hDC, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
        ::SetBkColor(m_hDC, old);
    }
    // A one-pixel outline just inside the rectangle.
    void FrameRect(const RECT& rect, COLORREF colour) const
    {
        const int w = rect.right - rect.left;
        const int h = rect.bottom - rect.top;
        if (w <= 0 || h <= 0)
            return;
        FillSolidRect(RECT{rect.left, rect.top, rect.right, rect.top + 1}, colour);
        FillSolidRect(RECT{rect.left, rect.bottom - 1, rect.right, rect.bottom}, colour);
        FillSolidRect(RECT{rect.left, rect.top, rect.left + 1, rect.bottom}, colour);
        FillSolidRect(RECT{rect.right - 1, rect.top, rect.right, rect.bottom}, colour);
    }
    BOOL BitBlt(int x, int y, int w, int h, HDC source, int sx, int sy, DWORD rop = SRCCOPY) const
    {
        return ::BitBlt(m_hDC, x, y, w, h, source, sx, sy, rop);
    }
    int DrawText(const std::wstring& text, RECT& rect, UINT format) const
    {
        return ::DrawTextW(m_hDC, text.c_str(), static_cast<int>(text.size()), &rect, format);
    }

protected:
    HDC m_hDC = nullptr;
};

// A DC of our own making (usually a memory DC); deleted when the owner goes.
class CDC : public CDCHandle {
public:
    CDC() = default;
    virtual ~CDC() { DeleteDC(); }
    CDC(CDC&& other) noexcept : CDCHandle(std::exchange(other.m_hDC, nullptr)) {}
    CDC& operator=(CDC&& other) noexcept
    {
        if (this != &other) {
            DeleteDC();
            m_hDC = std::exchange(other.m_hDC, nullptr);
        }
        return *this;
    }
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    bool CreateCompatibleDC(HDC target)
    {
        DeleteDC();
        m_hDC = ::CreateCompatibleDC(target);
        return m_hDC != nullptr;
    }
    // A DC of the whole display, every monitor in screen coordinates.
    bool CreateDisplayDC()
    {
        DeleteDC();
        m_hDC = ::CreateDCW(L"DISPLAY", nullptr, nullptr, nullptr);
        return m_hDC != nullptr;
    }
    void DeleteDC()
    {
        if (m_hDC)
            ::DeleteDC(m_hDC);
        m_hDC = nullptr;
    }
};

class CPaintDC : public CDCHandle {
public:
    explicit CPaintDC(HWND hwnd) : m_hwnd(hwnd) { m_hDC = ::BeginPaint(hwnd, &m_paint); }
    ~CPaintDC() { ::EndPaint(m_hwnd, &m_paint); }
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;
    const PAINTSTRUCT& Paint() const { return m_paint; }

private:
    HWND m_hwnd;
    PAINTSTRUCT m_paint{};
};

class CClientDC : public CDCHandle {
public:
    explicit CClientDC(HWND hwnd) : m_hwnd(hwnd) { m_hDC = ::GetDC(hwnd); }
    ~CClientDC()
    {
        if (m_hDC)
            ::ReleaseDC(m_hwnd, m_hDC);
    }
    CClientDC(const CClientDC&) = delete;
    CClientDC& operator=(const CClientDC&) = delete;

private:
    HWND m_hwnd;
};

class CWindowDC : public CDCHandle {
public:
    explicit CWindowDC(HWND hwnd) : m_hwnd(hwnd) { m_hDC = ::GetWindowDC(hwnd); }
    ~CWindowDC()
    {
        if (m_hDC)
            ::ReleaseDC(m_hwnd, m_hDC);
    }
    CWindowDC(const CWindowDC&) = delete;
    CWindowDC& operator=(const CWindowDC&) = delete;

private:
    HWND m_hwnd;
};

// Selects an object into a DC and selects the previous one back when it goes out of scope.
class CSelectGuard {
public:
    CSelectGuard(HDC dc, HGDIOBJ object) : m_dc(dc), m_old(object ? ::SelectObject(dc, object) : nullptr) {}
    ~CSelectGuard() { Restore(); }
    CSelectGuard(CSelectGuard&& other) noexcept
        : m_dc(other.m_dc), m_old(std::exchange(other.m_old, nullptr)) {}
    CSelectGuard& operator=(CSelectGuard&&) = delete;
    CSelectGuard(const CSelectGuard&) = delete;
    CSelectGuard& operator=(const CSelectGuard&) = delete;

    void Restore()
    {
        if (m_old && m_old != HGDI_ERROR)
            ::SelectObject(m_dc, m_old);
        m_old = nullptr;
    }

private:
    HDC m_dc;
    HGDIOBJ m_old;
};
