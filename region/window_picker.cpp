#include "window_picker.h"

namespace {

// Values of the window attributes asked of the desktop window manager.
const DWORD kExtendedFrameBounds = 9;
const DWORD kCloaked = 14;

// Looked up at run time: dwmapi.dll is missing on older systems, and the window rectangle then
// is what the user sees.
using DwmGetWindowAttributeFn = HRESULT(WINAPI*)(HWND, DWORD, void*, DWORD);

DwmGetWindowAttributeFn LookUpDwmGetWindowAttribute()
{
    HMODULE dwm = ::LoadLibraryW(L"dwmapi.dll");
    if (!dwm)
        return nullptr;
    return reinterpret_cast<DwmGetWindowAttributeFn>(
        reinterpret_cast<void*>(::GetProcAddress(dwm, "DwmGetWindowAttribute")));
}

DwmGetWindowAttributeFn DwmAttribute()
{
    static const DwmGetWindowAttributeFn fn = LookUpDwmGetWindowAttribute();
    return fn;
}

bool IsCloaked(HWND window)
{
    DWORD cloaked = 0;
    const DwmGetWindowAttributeFn get = DwmAttribute();
    return get && SUCCEEDED(get(window, kCloaked, &cloaked, sizeof(cloaked))) && cloaked != 0;
}

struct Search {
    POINT point;
    DWORD skipProcess;
    HWND found;
};

BOOL CALLBACK ConsiderWindow(HWND window, LPARAM param)
{
    auto& search = *reinterpret_cast<Search*>(param);
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    if (process == search.skipProcess || !::IsWindowVisible(window) || ::IsIconic(window) || IsCloaked(window))
        return TRUE;
    // Click-through windows (other programs' overlays) are not what the user points at.
    if (::GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TRANSPARENT)
        return TRUE;
    const RECT frame = VisibleFrameOf(window);
    if (!::PtInRect(&frame, search.point))
        return TRUE;
    search.found = window;
    return FALSE;  // windows come topmost first: the first hit is the one seen
}

}  // namespace

HWND PickableWindowAt(POINT screenPoint, DWORD skipProcess)
{
    Search search{screenPoint, skipProcess, nullptr};
    ::EnumWindows(ConsiderWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

RECT VisibleFrameOf(HWND window)
{
    RECT frame{};
    const DwmGetWindowAttributeFn get = DwmAttribute();
    if (get && SUCCEEDED(get(window, kExtendedFrameBounds, &frame, sizeof(frame))) && !::IsRectEmpty(&frame))
        return frame;
    ::GetWindowRect(window, &frame);
    return frame;
}
