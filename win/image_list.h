#pragma once
// Move-only owner of an image list.
#include <windows.h>
#include <commctrl.h>

#include <utility>

class CImageList {
public:
    CImageList() = default;
    ~CImageList() { DeleteImageList(); }
    CImageList(CImageList&& other) noexcept : m_list(std::exchange(other.m_list, nullptr)) {}
    CImageList& operator=(CImageList&& other) noexcept
    {
        if (this != &other) {
            DeleteImageList();
            m_list = std::exchange(other.m_list, nullptr);
        }
        return *this;
    }
    CImageList(const CImageList&) = delete;
    CImageList& operator=(const CImageList&) = delete;

    HIMAGELIST Get() const { return m_list; }
    explicit operator bool() const { return m_list != nullptr; }

    bool Create(int cx, int cy, UINT flags, int initial, int grow)
    {
        DeleteImageList();
        m_list = ::ImageList_Create(cx, cy, flags, initial, grow);
        return m_list != nullptr;
    }
    // Adds the images of a strip; with a mask list, pixels of the mask colour become transparent.
    int Add(HBITMAP strip, COLORREF mask) { return ::ImageList_AddMasked(m_list, strip, mask); }
    int GetImageCount() const { return m_list ? ::ImageList_GetImageCount(m_list) : 0; }
    BOOL Draw(int index, HDC dc, int x, int y, UINT style) const
    {
        return ::ImageList_Draw(m_list, index, dc, x, y, style);
    }
    void DeleteImageList()
    {
        if (m_list)
            ::ImageList_Destroy(m_list);
        m_list = nullptr;
    }

private:
    HIMAGELIST m_list = nullptr;
};
