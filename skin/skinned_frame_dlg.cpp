#include "skinned_frame_dlg.h"

#include "win/dc.h"
#include "win/dpi.h"

namespace {
const COLORREF kOutline = RGB(90, 90, 90);
const COLORREF kMiddleOutline = RGB(120, 120, 120);
const COLORREF kInnerOutline = RGB(80, 80, 80);
const COLORREF kCaptionActive = RGB(70, 60, 100);
const COLORREF kCaptionInactive = RGB(80, 80, 80);
const COLORREF kTitleActive = RGB(255, 255, 255);
const COLORREF kTitleInactive = RGB(150, 150, 150);
constexpr UINT kTitleFormat = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS;
constexpr int kCloseBoxSize = 20;
constexpr int kCloseBoxRight = 25;
constexpr int kCloseBoxTop = 4;

RECT Deflated(RECT r, int by)
{
    ::InflateRect(&r, -by, -by);
    return r;
}

// An outline `width` pixels thick just inside `r`.
void FrameLine(HDC dc, RECT r, int width, COLORREF colour)
{
    for (int i = 0; i < width; ++i) {
        CDCHandle(dc).FrameRect(r, colour);
        r = Deflated(r, 1);
    }
}
}  // namespace

CSkinnedFrameDlg::CSkinnedFrameDlg(UINT templateId, CWnd* parent)
    : CDialog(templateId, parent)
{
    CreateCaptionFont();
}

void CSkinnedFrameDlg::CreateCaptionFont()
{
    LOGFONTW font{};
    font.lfHeight = -Scaled(15);
    font.lfWeight = FW_MEDIUM;
    font.lfCharSet = ANSI_CHARSET;
    font.lfPitchAndFamily = FF_SWISS;
    wcscpy(font.lfFaceName, L"Arial");
    m_captionFont.CreateFontIndirect(font);
}

void CSkinnedFrameDlg::PlaceCloseBox(int clientWidth)
{
    const int size = Scaled(kCloseBoxSize);
    ::MoveWindow(m_closeButton, clientWidth - Scaled(kCloseBoxRight), Scaled(kCloseBoxTop), size, size, TRUE);
}

void CSkinnedFrameDlg::SetCloseBitmaps(HBITMAP normal, HBITMAP hover, HBITMAP pressed, HBITMAP inactive,
                                  HBITMAP inactiveHover, int imagesDpi)
{
    m_closeImagesDpi = imagesDpi > 0 ? imagesDpi : kDesignDpi;
    m_closeImages[CImageButton::Normal] = normal;
    m_closeImages[CImageButton::Hover] = hover;
    m_closeImages[CImageButton::Pressed] = pressed;
    m_closeImages[CImageButton::Inactive] = inactive;
    m_closeImages[CImageButton::InactiveHover] = inactiveHover;
    m_closeButton.SetStateBitmaps(normal, hover, pressed, inactive, inactiveHover);
}

BOOL CSkinnedFrameDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    // Sizes are designed at 96 DPI; the window now knows the DPI of its screen.
    m_dpi = WindowDpi(m_hWnd);
    if (m_dpi != kDesignDpi)
        CreateCaptionFont();
    // The window is ours from WM_INITDIALOG on, so the close box is made here and placed at once,
    // as the first size change would place it.
    if (m_closeButton.Create(m_hWnd, RECT{0, 0, 17, 17}, IDC_SKIN_CLOSE))
        PlaceCloseBox(GetClientRect().right);
    m_active = TRUE;
    m_closeButton.SetActive(TRUE);
    return TRUE;
}

RECT CSkinnedFrameDlg::CaptionRect() const
{
    RECT r = GetClientRect();
    r.bottom = CaptionHeight();
    return r;
}

void CSkinnedFrameDlg::DrawCaption(HDC target, BOOL active)
{
    const RECT client = GetClientRect();
    const int width = client.right - client.left;
    const int height = CaptionHeight();
    const int line = LineWidthForDpi(m_dpi);
    CDC band;
    CBitmap bandBitmap;
    if (!band.CreateCompatibleDC(target) || !bandBitmap.CreateCompatibleBitmap(target, width, height))
        return;
    {
        CSelectGuard selectBand(band, bandBitmap);
        // The outline of the whole client area: in the band only its top row and sides land.
        FrameLine(band, client, line, kOutline);
        const RECT inside = Deflated(client, line);
        band.FillSolidRect(inside, active ? kCaptionActive : kCaptionInactive);

        RECT text{inside.left + Scaled(3), inside.top, inside.right - Scaled(50), inside.top + height};
        ::SetTextColor(band, active ? kTitleActive : kTitleInactive);
        ::SetBkMode(band, TRANSPARENT);
        {
            CSelectGuard selectFont(band, m_captionFont);
            band.DrawText(GetWindowText(), text, kTitleFormat);
        }

        // A missing or unreadable close image is left out rather than drawn at a bogus size.
        HBITMAP image = m_closeImages[active ? CImageButton::Normal : CImageButton::Inactive];
        SIZE size{};
        if (GetBitmapSize(image, size)) {
            const int w = ::MulDiv(size.cx, m_dpi, m_closeImagesDpi);
            const int h = ::MulDiv(size.cy, m_dpi, m_closeImagesDpi);
            const int left = width - w - Scaled(5);
            const int top = Scaled(2);
            DrawBitmapInto(band, RECT{left, top, left + w, top + h}, image);
        }
        ::BitBlt(target, 0, 0, width, height, band, 0, 0, SRCCOPY);
    }
}

void CSkinnedFrameDlg::OnPaint()
{
    CPaintDC dc(m_hWnd);
    DrawCaption(dc, m_active);
}

BOOL CSkinnedFrameDlg::OnEraseBkgnd(HDC hdc)
{
    CDCHandle dc(hdc);
    const int line = LineWidthForDpi(m_dpi);
    RECT r = GetClientRect();
    FrameLine(hdc, r, line, kOutline);
    r = Deflated(r, line);
    FrameLine(hdc, r, line, kMiddleOutline);
    r = Deflated(r, line);
    FrameLine(hdc, r, line, kInnerOutline);
    r = Deflated(r, line);
    // The body starts below the caption band, whatever the outlines took of it.
    dc.FillSolidRect(RECT{r.left, CaptionHeight(), r.right, r.bottom}, m_bkColor);
    DrawCaption(hdc, m_active);
    return TRUE;
}

void CSkinnedFrameDlg::OnLButtonDown(UINT flags, POINT point)
{
    const RECT caption = CaptionRect();
    if (::PtInRect(&caption, point)) {
        // The system moves the window with the mouse until the button is released.
        SendMessage(WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(point.x, point.y));
    }
    CDialog::OnLButtonDown(flags, point);
}

BOOL CSkinnedFrameDlg::OnNcActivate(BOOL active)
{
    m_closeButton.SetActive(active);
    m_active = active;
    const RECT caption = CaptionRect();
    ::InvalidateRect(m_hWnd, &caption, TRUE);
    return CDialog::OnNcActivate(active);
}

void CSkinnedFrameDlg::OnSize(UINT type, int cx, int cy)
{
    CDialog::OnSize(type, cx, cy);
    if (m_closeButton.GetSafeHwnd())
        PlaceCloseBox(cx);
}

bool CSkinnedFrameDlg::OnCommand(UINT id, UINT code, HWND control)
{
    if (id == IDC_SKIN_CLOSE && code == BN_CLICKED) {
        // The normal close path, so a derived window may still refuse.
        SendMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
        return true;
    }
    return CDialog::OnCommand(id, code, control);
}
