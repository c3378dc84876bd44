#include "test_scene.h"

#include <cstdlib>

namespace {

const UINT_PTR kStepTimer = 1;
const wchar_t kClassName[] = L"RavlinTestScene";

}  // namespace

CTestScene::CTestScene(Kind kind, RECT rect, COLORREF colour)
    : m_kind(kind), m_rect(rect), m_colour(colour)
{
    m_ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    m_thread = CreateThread(nullptr, 0, ThreadProc, this, 0, &m_threadId);
    WaitForSingleObject(m_ready, 10000);
}

CTestScene::~CTestScene()
{
    if (m_thread) {
        PostThreadMessageW(m_threadId, WM_QUIT, 0, 0);
        if (m_window)
            PostMessageW(m_window, WM_CLOSE, 0, 0);
        WaitForSingleObject(m_thread, 10000);
        CloseHandle(m_thread);
    }
    CloseHandle(m_ready);
}

bool CTestScene::WaitShown(DWORD timeoutMs) const
{
    if (!m_window)
        return false;
    // The top-left corner is the scene's own colour: the solid colour, or the red bar.
    const COLORREF corner = m_kind == Kind::Solid ? m_colour : RGB(255, 0, 0);
    return WaitForScreenColour(m_rect.left + 2, m_rect.top + 2, corner, 8, timeoutMs);
}

DWORD WINAPI CTestScene::ThreadProc(void* param)
{
    static_cast<CTestScene*>(param)->Run();
    return 0;
}

void CTestScene::Run()
{
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kClassName;
    RegisterClassW(&windowClass);  // fails harmlessly when a second scene registers it again
    m_window = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kClassName, L"scene", WS_POPUP,
                               m_rect.left, m_rect.top, m_rect.right - m_rect.left,
                               m_rect.bottom - m_rect.top, nullptr, nullptr,
                               GetModuleHandleW(nullptr), this);
    if (m_window) {
        m_shownAt = GetTickCount();
        ShowWindow(m_window, SW_SHOWNOACTIVATE);
        UpdateWindow(m_window);
        if (m_kind == Kind::Counter)
            SetTimer(m_window, kStepTimer, 10, nullptr);
    }
    SetEvent(m_ready);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    if (m_window && IsWindow(m_window))
        DestroyWindow(m_window);
}

LRESULT CALLBACK CTestScene::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* scene = reinterpret_cast<CTestScene*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        if (scene)
            scene->Paint(dc);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_TIMER: {
        if (scene && scene->Step() != scene->m_paintedStep) {
            scene->m_paintedStep = scene->Step();
            InvalidateRect(window, nullptr, FALSE);
            UpdateWindow(window);
        }
        return 0;
    }
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

int32_t CTestScene::Step() const
{
    return static_cast<int32_t>((GetTickCount() - m_shownAt) / kCounterStepMs);
}

void CTestScene::Paint(HDC dc) const
{
    const int w = m_rect.right - m_rect.left;
    const int h = m_rect.bottom - m_rect.top;
    auto fill = [dc](int left, int top, int right, int bottom, COLORREF colour) {
        HBRUSH brush = CreateSolidBrush(colour);
        const RECT r = {left, top, right, bottom};
        FillRect(dc, &r, brush);
        DeleteObject(brush);
    };
    if (m_kind == Kind::Solid) {
        fill(0, 0, w, h, m_colour);
        return;
    }
    const COLORREF bars[3] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255)};
    for (int i = 0; i < 3; ++i)
        fill(i * w / 3, 0, (i + 1) * w / 3, h / 2, bars[i]);
    const int32_t step = Step();
    for (int bit = 0; bit < 8; ++bit) {
        const bool on = (step >> (7 - bit)) & 1;
        fill(bit * w / 8, h / 2, (bit + 1) * w / 8, h, on ? RGB(255, 255, 255) : RGB(0, 0, 0));
    }
}

bool ColourNear(COLORREF a, COLORREF b, int tolerance)
{
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance &&
           std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

bool WaitForScreenColour(int x, int y, COLORREF colour, int tolerance, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        HDC screen = GetDC(nullptr);
        const COLORREF seen = GetPixel(screen, x, y);
        ReleaseDC(nullptr, screen);
        if (seen != CLR_INVALID && ColourNear(seen, colour, tolerance))
            return true;
        if (GetTickCount() - start > timeoutMs)
            return false;
        Sleep(20);
    }
}
