// The tool window's layout: where the buttons, the preview and the status lines go, and the
// status font. Sizes are designed at 96 DPI and scaled to the window's DPI in one place, so that
// the whole window grows together on a scaled screen.
#include "app/ravlin_dlg.h"

#include <initializer_list>

#include "app/status_layout.h"
#include "skin/skin_cache.h"
#include "win/dc.h"

namespace {

RECT Offset(RECT r, int dx, int dy)
{
    ::OffsetRect(&r, dx, dy);
    return r;
}

// The dialog manager's base units of a font: its average letter width and its height.
SIZE DialogBaseUnits(HFONT font)
{
    SIZE units{0, 0};
    CClientDC screen(nullptr);
    if (!screen)
        return units;
    CSelectGuard select(screen, font);
    TEXTMETRICW metrics{};
    SIZE extent{};
    const wchar_t letters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    if (::GetTextMetricsW(screen, &metrics) && ::GetTextExtentPoint32W(screen, letters, 52, &extent))
        units = SIZE{(extent.cx / 26 + 1) / 2, metrics.tmHeight};
    return units;
}

}  // namespace

CRavlinDlg::SkinImage CRavlinDlg::LoadSkinImage(const std::wstring& file) const
{
    // Above 96 DPI the images drawn at twice the size are shrunk or shown as they are: sharper
    // than the small ones grown. Without them the small ones serve every DPI.
    CSkinCache& cache = CSkinCache::GetInstance();
    if (Dpi() > kDesignDpi) {
        if (HBITMAP large = cache.LoadSkinBitmap(L"skin\\2x\\" + file))
            return SkinImage{large, 2 * kDesignDpi};
    }
    return SkinImage{cache.LoadSkinBitmap(L"skin\\" + file), kDesignDpi};
}

void CRavlinDlg::FitTemplateToDpi()
{
    // The template's own sizes are in dialog units, which follow the dialog font; its metrics
    // do not grow exactly with the DPI (letters are rounded to whole pixels). Measured against
    // the same font at 96 DPI, the window and the template-placed buttons are brought to the
    // scale the rest of the layout uses. At 96 DPI nothing moves.
    if (Dpi() == kDesignDpi)
        return;
    HFONT font = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT, 0, 0));
    LOGFONTW logFont{};
    if (!font || !::GetObjectW(font, sizeof(logFont), &logFont))
        return;
    const SIZE now = DialogBaseUnits(font);
    logFont.lfHeight = ::MulDiv(logFont.lfHeight, kDesignDpi, Dpi());
    CFont designFont;
    if (!designFont.CreateFontIndirect(logFont))
        return;
    const SIZE design = DialogBaseUnits(designFont);
    if (now.cx <= 0 || now.cy <= 0 || design.cx <= 0 || design.cy <= 0)
        return;
    auto x = [&](int v) { return Scaled(::MulDiv(v, design.cx, now.cx)); };
    auto y = [&](int v) { return Scaled(::MulDiv(v, design.cy, now.cy)); };

    RECT window{};
    ::GetWindowRect(m_hWnd, &window);
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, x(window.right - window.left), y(window.bottom - window.top),
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    for (HWND control : {m_settingsButton.GetSafeHwnd(), m_aboutButton.GetSafeHwnd(),
                         m_openFolderButton.GetSafeHwnd()}) {
        RECT r{};
        ::GetWindowRect(control, &r);
        ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&r), 2);
        ::SetWindowPos(control, nullptr, x(r.left), y(r.top), 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void CRavlinDlg::PlaceControls()
{
    FitTemplateToDpi();
    const RECT client = GetClientRect();
    const int size = Scaled(36);
    const int step = Scaled(40);
    RECT button{client.left + Scaled(12), client.top + Scaled(30), 0, 0};
    button.right = button.left + size;
    button.bottom = button.top + size;
    CHoverButton* row[] = {&m_selectButton, &m_recordButton, &m_stopButton};
    for (CHoverButton* b : row) {
        ::MoveWindow(*b, button.left, button.top, button.right - button.left, button.bottom - button.top, TRUE);
        button = Offset(button, step, 0);
    }
    const RECT third = Offset(button, -step, 0);
    // Each status box holds a count and, beside it, the file's size.
    const int left = third.left + Scaled(50);
    const SIZE box = StatusBoxSize(Dpi());
    m_statusRects[0] = RECT{left, third.top, left + box.cx, third.top + box.cy};
    m_statusRects[1] = Offset(m_statusRects[0], 0, step);
    m_statusRects[2] = Offset(m_statusRects[1], 0, step);
    m_previewRect = RECT{client.left + Scaled(12), client.top + Scaled(70), client.left + Scaled(128),
                         client.top + Scaled(135)};

    m_statusFont.CreateFontIndirect(StatusFont(Dpi()));
}
