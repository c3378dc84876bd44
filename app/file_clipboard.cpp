#include "app/file_clipboard.h"

#include <shlobj.h>

#include <cstring>

namespace {

// Global memory for SetClipboardData: freed here unless the clipboard has taken it.
class CClipboardMemory {
public:
    explicit CClipboardMemory(HGLOBAL memory) : m_memory(memory) {}
    ~CClipboardMemory()
    {
        if (m_memory)
            GlobalFree(m_memory);
    }
    CClipboardMemory(const CClipboardMemory&) = delete;
    CClipboardMemory& operator=(const CClipboardMemory&) = delete;

    bool Fill(const void* data, size_t bytes, size_t offset = 0)
    {
        void* p = m_memory ? GlobalLock(m_memory) : nullptr;
        if (!p)
            return false;
        std::memcpy(static_cast<char*>(p) + offset, data, bytes);
        GlobalUnlock(m_memory);
        return true;
    }
    // Hands the memory to the clipboard; it is the clipboard's from then on.
    bool Give(UINT format)
    {
        if (!m_memory || !SetClipboardData(format, m_memory))
            return false;
        m_memory = nullptr;
        return true;
    }

private:
    HGLOBAL m_memory;
};

// The clipboard, open for as long as the object lives.
class COpenClipboard {
public:
    explicit COpenClipboard(HWND owner)
    {
        // Another program may hold it for a moment (a clipboard manager reading it): about a
        // second of tries, then the caller says the file is not on it.
        for (int attempt = 0; attempt < 40 && !m_open; ++attempt) {
            m_open = OpenClipboard(owner) != FALSE;
            if (!m_open)
                Sleep(25);
        }
    }
    ~COpenClipboard()
    {
        if (m_open)
            CloseClipboard();
    }
    COpenClipboard(const COpenClipboard&) = delete;
    COpenClipboard& operator=(const COpenClipboard&) = delete;
    bool IsOpen() const { return m_open; }

private:
    bool m_open = false;
};

}  // namespace

HGLOBAL NewFileDrop(const std::wstring& path)
{
    // A DROPFILES header, then the path, then the empty name that ends the list.
    const size_t pathBytes = (path.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + pathBytes + sizeof(wchar_t));
    void* p = memory ? GlobalLock(memory) : nullptr;
    if (!p) {
        if (memory)
            GlobalFree(memory);
        return nullptr;
    }
    DROPFILES header = {};
    header.pFiles = sizeof(DROPFILES);
    header.fWide = TRUE;
    std::memcpy(p, &header, sizeof header);
    std::memcpy(static_cast<char*>(p) + sizeof header, path.c_str(), pathBytes);
    GlobalUnlock(memory);
    return memory;
}

bool PutFileOnClipboard(HWND owner, const std::wstring& path)
{
    if (path.empty())
        return false;
    CClipboardMemory drop(NewFileDrop(path));
    const DWORD copy = DROPEFFECT_COPY;
    CClipboardMemory effect(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof copy));
    if (!effect.Fill(&copy, sizeof copy))
        return false;
    const UINT effectFormat = RegisterClipboardFormatW(CFSTR_PREFERREDDROPEFFECT);

    COpenClipboard clipboard(owner);
    if (!clipboard.IsOpen() || !EmptyClipboard())
        return false;
    return drop.Give(CF_HDROP) && effectFormat && effect.Give(effectFormat);
}
