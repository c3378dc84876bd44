#pragma once
// CSkinnedFrameDlg: turns a borderless pop-up dialog into a skinned tool window: a 26-pixel caption
// band with the title and a close image, three one-pixel outlines, a flat body, a close box and
// moving by the caption. Those sizes are for 96 DPI; on other screens they grow with the DPI.
#include "image_button.h"
#include "win/dialog.h"
#include "win/dpi.h"
#include "win/gdi_object.h"

class CSkinnedFrameDlg : public CDialog {
public:
    static constexpr UINT IDC_SKIN_CLOSE = 14880;
    static constexpr int kCaptionHeight = 26;  // at 96 DPI, like every size below

    CSkinnedFrameDlg(UINT templateId, CWnd* parent = nullptr);

    // The images are drawn for imagesDpi and shown at the window's.
    void SetCloseBitmaps(HBITMAP normal, HBITMAP hover, HBITMAP pressed, HBITMAP inactive, HBITMAP inactiveHover,
                         int imagesDpi = kDesignDpi);
    void SetBkColor(COLORREF colour) { m_bkColor = colour; }
    void DrawCaption(HDC dc, BOOL active);

    BOOL IsActive() const { return m_active; }
    const CImageButton& CloseButton() const { return m_closeButton; }
    // The DPI the window lays itself out for (96 until the window exists), and a length designed
    // at 96 DPI at that scale.
    int Dpi() const { return m_dpi; }
    int Scaled(int designPixels) const { return ScaleToDpi(designPixels, m_dpi); }
    int CaptionHeight() const { return Scaled(kCaptionHeight); }

protected:
    BOOL OnInitDialog() override;
    void OnPaint() override;
    BOOL OnEraseBkgnd(HDC dc) override;
    void OnLButtonDown(UINT flags, POINT point) override;
    BOOL OnNcActivate(BOOL active) override;
    void OnSize(UINT type, int cx, int cy) override;
    bool OnCommand(UINT id, UINT code, HWND control) override;

private:
    RECT CaptionRect() const;
    void CreateCaptionFont();
    void PlaceCloseBox(int clientWidth);

    int m_dpi = kDesignDpi;
    CImageButton m_closeButton;
    CFont m_captionFont;
    BOOL m_active = FALSE;
    COLORREF m_bkColor = RGB(50, 50, 50);
    HBITMAP m_closeImages[CImageButton::ImageCount] = {};
    int m_closeImagesDpi = kDesignDpi;
};
