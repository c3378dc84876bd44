#include "test_scene.h"

#include <cstdlib>
#include <cwchar>

#include "win/dc.h"

namespace {

const UINT_PTR kStepTimer = 1;
const wchar_t kClassName[] = L"RavlinTestScene";

}  // namespace

CTestScene::CTestScene(Kind kind, RECT rect, COLORREF colour)
    : m_kind(kind), m_rect(rect), m_colour(colour)
{
    std::future<void> ready = m_ready.get_future();
    m_thread = std::thread(&CTestScene::Run, this);
    ready.wait();
}

CTestScene::~CTestScene()
{
    PostThreadMessageW(m_threadId, WM_QUIT, 0, 0);
    if (m_window)
        PostMessageW(m_window, WM_CLOSE, 0, 0);
    m_thread.join();
}

bool CTestScene::WaitShown(DWORD timeoutMs) const
{
    if (!m_window)
        return false;
    // The top-left corner is the scene's own colour: the solid colour, or the red bar.
    if (m_kind == Kind::Moving || m_kind == Kind::Window) {
        const int scroll = m_kind == Kind::Moving ? 6 : 0;
        CClientDC screen(nullptr);
        const DWORD start = GetTickCount();
        bool shown = false;
        while (!shown && GetTickCount() - start < timeoutMs) {
            shown = GetPixel(screen, m_rect.left + 1, m_rect.top + 1) ==
                    GetPixel(m_picture->Dc(), 1 + scroll * Step() % (m_rect.right - m_rect.left), 1);
            Sleep(20);
        }
        return shown;
    }
    const COLORREF corner = m_kind == Kind::Solid ? m_colour : RGB(255, 0, 0);
    return WaitForScreenColour(m_rect.left + 2, m_rect.top + 2, corner, 8, timeoutMs);
}

void CTestScene::Run()
{
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kClassName;
    RegisterClassW(&windowClass);  // fails harmlessly when a second scene registers it again
    if (m_kind == Kind::Moving || m_kind == Kind::Window)
        MakePicture();
    m_window = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kClassName, L"scene", WS_POPUP,
                               m_rect.left, m_rect.top, m_rect.right - m_rect.left,
                               m_rect.bottom - m_rect.top, nullptr, nullptr,
                               GetModuleHandleW(nullptr), this);
    if (m_window) {
        m_shownAt = GetTickCount();
        ShowWindow(m_window, SW_SHOWNOACTIVATE);
        UpdateWindow(m_window);
        if (m_kind != Kind::Solid)
            SetTimer(m_window, kStepTimer, 10, nullptr);
    }
    m_threadId = GetCurrentThreadId();
    m_ready.set_value();
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
    if (m_kind == Kind::Moving) {
        BitBlt(dc, 0, 0, w, h, m_picture->Dc(), 6 * Step() % w, 0, SRCCOPY);
        return;
    }
    if (m_kind == Kind::Window) {
        BitBlt(dc, 0, 0, w, h, m_picture->Dc(), 0, 0, SRCCOPY);
        const int ww = w / 2 < 320 ? w / 2 : 320;
        const int wh = h / 2 < 200 ? h / 2 : 200;
        const int x = 6 * Step() % (w - ww + 1);
        const int y = h / 3;
        fill(x, y, x + ww, y + 20, RGB(40, 90, 160));
        fill(x, y + 20, x + ww, y + wh, RGB(255, 255, 255));
        SetBkMode(dc, TRANSPARENT);
        static const wchar_t line[] = L"The quick brown fox jumps over the lazy dog 0123456789";
        for (int row = y + 26; row + 16 < y + wh; row += 16)
            TextOutW(dc, x + 6, row, line, static_cast<int>(wcslen(line)));
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

// Gradients under a checker of small tiles with fine texture: many colours, so the quantizer
// and the dither have real work, as on a desktop with photos and anti-aliased text.
void CTestScene::MakePicture()
{
    const int w = 2 * (m_rect.right - m_rect.left);
    const int h = m_rect.bottom - m_rect.top;
    m_picture = std::make_unique<CDibCanvas>(w, h);
    uint32_t* pixels = m_picture->Bits();
    if (!pixels)
        return;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int tile = ((x / 24) + (y / 24)) & 1;
            const uint32_t r = static_cast<uint32_t>(x % (w / 2)) * 255 / (w / 2);
            const uint32_t g = static_cast<uint32_t>(y) * 255 / h;
            const uint32_t b = tile ? 200 - ((x ^ y) & 63) : (x * 7 + y * 3) & 255;
            pixels[y * w + x] = r << 16 | g << 8 | b;
        }
    GdiFlush();
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
        const COLORREF seen = GetPixel(CClientDC(nullptr), x, y);
        if (seen != CLR_INVALID && ColourNear(seen, colour, tolerance))
            return true;
        if (GetTickCount() - start > timeoutMs)
            return false;
        Sleep(20);
    }
}
