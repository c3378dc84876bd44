#include "win/dpi.h"

#include "win/dc.h"
#include "win/gdi_object.h"

namespace {

// Windows 10 and later; looked up at run time so the program still starts on older systems.
using GetDpiForWindowFn = UINT(WINAPI*)(HWND);

GetDpiForWindowFn LookUpGetDpiForWindow()
{
    HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    return user32 ? reinterpret_cast<GetDpiForWindowFn>(
                        reinterpret_cast<void*>(::GetProcAddress(user32, "GetDpiForWindow")))
                  : nullptr;
}

int SystemDpi()
{
    CClientDC screen(nullptr);
    const int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : kDesignDpi;
    return dpi > 0 ? dpi : kDesignDpi;
}

}  // namespace

int WindowDpi(HWND window)
{
    static const GetDpiForWindowFn getDpiForWindow = LookUpGetDpiForWindow();
    if (window && getDpiForWindow) {
        const UINT dpi = getDpiForWindow(window);
        if (dpi > 0)
            return static_cast<int>(dpi);
    }
    return SystemDpi();
}

void DrawBitmapInto(HDC dc, const RECT& target, HBITMAP bitmap)
{
    SIZE size{};
    if (!GetBitmapSize(bitmap, size))
        return;
    CDC source;
    if (!source.CreateCompatibleDC(dc))
        return;
    CSelectGuard select(source, bitmap);
    const int width = target.right - target.left;
    const int height = target.bottom - target.top;
    if (width == size.cx && height == size.cy) {
        ::BitBlt(dc, target.left, target.top, width, height, source, 0, 0, SRCCOPY);
        return;
    }
    const int oldMode = ::SetStretchBltMode(dc, HALFTONE);
    POINT oldOrigin{};
    ::SetBrushOrgEx(dc, 0, 0, &oldOrigin);
    ::StretchBlt(dc, target.left, target.top, width, height, source, 0, 0, size.cx, size.cy, SRCCOPY);
    ::SetBrushOrgEx(dc, oldOrigin.x, oldOrigin.y, nullptr);
    ::SetStretchBltMode(dc, oldMode);
}

HBITMAP StretchedBitmap(HBITMAP bitmap, int width, int height)
{
    CClientDC screen(nullptr);
    if (!screen)
        return nullptr;
    CBitmap result;
    CDC target;
    if (result.CreateCompatibleBitmap(screen, width, height) && target.CreateCompatibleDC(screen)) {
        CSelectGuard select(target, result);
        DrawBitmapInto(target, RECT{0, 0, width, height}, bitmap);
    }
    return result.Detach();
}
