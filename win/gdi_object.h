#pragma once
// Move-only owners of GDI objects: each deletes its object once, and only when it still owns it.
// Select an owned object into a DC only through CSelectGuard (dc.h), so it is deselected before
// the owner deletes it.
#include <windows.h>

#include <utility>

template <typename Handle>
class CGdiObject {
public:
    CGdiObject() = default;
    explicit CGdiObject(Handle handle) : m_handle(handle) {}
    ~CGdiObject() { DeleteObject(); }
    CGdiObject(CGdiObject&& other) noexcept : m_handle(std::exchange(other.m_handle, nullptr)) {}
    CGdiObject& operator=(CGdiObject&& other) noexcept
    {
        if (this != &other) {
            DeleteObject();
            m_handle = std::exchange(other.m_handle, nullptr);
        }
        return *this;
    }
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;

    Handle Get() const { return m_handle; }
    operator Handle() const { return m_handle; }
    explicit operator bool() const { return m_handle != nullptr; }

    void Attach(Handle handle)
    {
        DeleteObject();
        m_handle = handle;
    }
    Handle Detach() { return std::exchange(m_handle, nullptr); }
    void DeleteObject()
    {
        if (m_handle)
            ::DeleteObject(m_handle);
        m_handle = nullptr;
    }

private:
    Handle m_handle = nullptr;
};

class CBitmap : public CGdiObject<HBITMAP> {
public:
    using CGdiObject::CGdiObject;
    bool CreateCompatibleBitmap(HDC dc, int width, int height)
    {
        Attach(::CreateCompatibleBitmap(dc, width, height));
        return Get() != nullptr;
    }
};

class CFont : public CGdiObject<HFONT> {
public:
    using CGdiObject::CGdiObject;
    bool CreateFontIndirect(const LOGFONTW& font)
    {
        Attach(::CreateFontIndirectW(&font));
        return Get() != nullptr;
    }
};

class CPen : public CGdiObject<HPEN> {
public:
    using CGdiObject::CGdiObject;
    CPen(int style, int width, COLORREF colour) : CGdiObject(::CreatePen(style, width, colour)) {}
};

class CBrush : public CGdiObject<HBRUSH> {
public:
    using CGdiObject::CGdiObject;
    explicit CBrush(COLORREF colour) : CGdiObject(::CreateSolidBrush(colour)) {}
};

// Width and height of a bitmap; false (and 0 x 0) when its description cannot be read.
inline bool GetBitmapSize(HBITMAP bitmap, SIZE& size)
{
    BITMAP info{};
    size = SIZE{0, 0};
    if (!bitmap || ::GetObjectW(bitmap, sizeof(info), &info) == 0)
        return false;
    size = SIZE{info.bmWidth, info.bmHeight};
    return true;
}
