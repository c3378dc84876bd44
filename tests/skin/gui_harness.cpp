#include "gui_harness.h"

#include "test_files.h"
#include "tests/dib_canvas.h"
#include "win/dc.h"
#include "win/dialog.h"
#include "win/gdi_object.h"

void PumpFor(DWORD ms)
{
    const DWORD start = ::GetTickCount();
    PumpUntil([&] { return ::GetTickCount() - start >= ms; }, ms + 1000);
}

void EnsureProcessForeground()
{
    static CDialog* keeper = nullptr;  // lives for the whole test run, out of the way
    if (!keeper) {
        keeper = new CDialog(301);
        if (!keeper->Create())
            return;
        ::SetWindowPos(*keeper, HWND_BOTTOM, 1700, 1000, 0, 0, SWP_NOSIZE);
        keeper->ShowWindow(SW_SHOW);
    }
    ::SetForegroundWindow(*keeper);
    PumpUntil([] { return ::GetForegroundWindow() == keeper->GetSafeHwnd(); }, 5000);
}

void MouseMoveTo(int x, int y)
{
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = MulDiv(x, 65536, ::GetSystemMetrics(SM_CXSCREEN)) + 1;
    input.mi.dy = MulDiv(y, 65536, ::GetSystemMetrics(SM_CYSCREEN)) + 1;
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    ::SendInput(1, &input, sizeof(input));
}

void MouseButton(bool left, bool down)
{
    INPUT input{};
    input.type = INPUT_MOUSE;
    if (left)
        input.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
    else
        input.mi.dwFlags = down ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_RIGHTUP;
    ::SendInput(1, &input, sizeof(input));
}

namespace {
std::vector<COLORREF> ReadPixels(HDC source, int x, int y, int w, int h)
{
    const CDibCanvas canvas(w, h);
    std::vector<COLORREF> pixels(static_cast<size_t>(w) * h);
    if (!canvas.Bits())
        return pixels;
    ::BitBlt(canvas.Dc(), 0, 0, w, h, source, x, y, SRCCOPY);
    ::GdiFlush();
    const uint32_t* p = canvas.Bits();
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = RGB((p[i] >> 16) & 0xFF, (p[i] >> 8) & 0xFF, p[i] & 0xFF);
    return pixels;
}
}  // namespace

CScreenShot::CScreenShot(const RECT& r) : m_width(r.right - r.left), m_height(r.bottom - r.top)
{
    CClientDC screen(nullptr);
    m_pixels = ReadPixels(screen, r.left, r.top, m_width, m_height);
}

bool CScreenShot::Contains(const RECT& area, COLORREF colour) const
{
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            if (At(x, y) == colour)
                return true;
    return false;
}

void CScreenShot::Save(const std::wstring& name) const
{
    ::CreateDirectoryW(L"artefacts", nullptr);
    WriteTestBitmap(L"artefacts\\" + name, m_width, m_height, [this](int x, int y) { return At(x, y); });
}

std::vector<COLORREF> BitmapPixels(HBITMAP bitmap, int x, int y, int w, int h)
{
    CClientDC screen(nullptr);
    CDC memory;
    memory.CreateCompatibleDC(screen);
    CSelectGuard select(memory, bitmap);
    return ReadPixels(memory, x, y, w, h);
}

bool ShowsPixels(const CScreenShot& shot, int left, int top, int w, int h, const std::vector<COLORREF>& expected)
{
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (shot.At(left + x, top + y) != expected[static_cast<size_t>(y) * w + x])
                return false;
    return true;
}

std::wstring ModuleDir()
{
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir(path);
    return dir.substr(0, dir.find_last_of(L'\\'));
}
