#pragma once
// CSkinnedFrameDlg: turns a borderless pop-up dialog into a skinned tool window: a 26-pixel caption
// band with the title and a close image, three one-pixel outlines, a flat body, a close box, moving
// by the caption and, when enabled, resizing by the edges and corners (polled every 16 ms). Those
// sizes are for 96 DPI; on other screens they grow with the DPI.
#include "image_button.h"
#include "win/dialog.h"
#include "win/dpi.h"
#include "win/gdi_object.h"

class CSkinnedFrameDlg : public CDialog {
public:
    enum class EdgeZone { None, Top, Left, Right, Bottom, TopLeft, TopRight, BottomLeft, BottomRight };
    enum class CursorKind { None, SizeNS, SizeWE, SizeNWSE, SizeNESW };

    static constexpr UINT IDC_SKIN_CLOSE = 14880;
    static constexpr UINT_PTR IDT_EDGE_DRAG = 61844;
    static constexpr UINT_PTR IDT_CURSOR_RESTORE = 61845;
    static constexpr int kCaptionHeight = 26;  // at 96 DPI, like every size below

    CSkinnedFrameDlg(UINT templateId, CWnd* parent = nullptr);

    // The images are drawn for imagesDpi and shown at the window's.
    void SetCloseBitmaps(HBITMAP normal, HBITMAP hover, HBITMAP pressed, HBITMAP inactive, HBITMAP inactiveHover,
                         int imagesDpi = kDesignDpi);
    void SetBkColor(COLORREF colour) { m_bkColor = colour; }
    // Only before the window exists; later calls are ignored.
    void EnableResize(bool resizable);
    void SetMinSize(int width, int height) { m_minSize = SIZE{width, height}; }
    void DrawCaption(HDC dc, BOOL active);
    // Sets the zone and cursor kind of a client point: 0 when a zone was hit, -1 otherwise.
    int HitTestEdges(POINT point);

    EdgeZone GetEdgeZone() const { return m_edgeZone; }
    CursorKind GetCursorKind() const { return m_cursorKind; }
    BOOL IsActive() const { return m_active; }
    const CImageButton& CloseButton() const { return m_closeButton; }
    // The DPI the window lays itself out for (96 until the window exists), and a length designed
    // at 96 DPI at that scale.
    int Dpi() const { return m_dpi; }
    int Scaled(int designPixels) const { return ScaleToDpi(designPixels, m_dpi); }
    int CaptionHeight() const { return Scaled(kCaptionHeight); }

    bool PreTranslateMessage(MSG& msg) override;

protected:
    // Called after every resize step of an edge drag, between the move and the redraw.
    virtual void OnFrameResized() {}

    BOOL OnInitDialog() override;
    void OnPaint() override;
    BOOL OnEraseBkgnd(HDC dc) override;
    void OnLButtonDown(UINT flags, POINT point) override;
    BOOL OnSetCursor(HWND hwnd, UINT hitTest, UINT message) override;
    void OnMouseMove(UINT flags, POINT point) override;
    void OnLButtonUp(UINT flags, POINT point) override;
    BOOL OnNcActivate(BOOL active) override;
    void OnSize(UINT type, int cx, int cy) override;
    bool OnCommand(UINT id, UINT code, HWND control) override;
    void OnTimer(UINT_PTR id) override;

private:
    void EdgeDragTick();
    void CursorRestoreTick();
    void StopDragTimer();
    void ApplyFrame(const RECT& frame);
    RECT CaptionRect() const;
    void CreateCaptionFont();
    void PlaceCloseBox(int clientWidth);

    int m_dpi = kDesignDpi;
    bool m_resizable = false;
    SIZE m_minSize{50, 50};
    CursorKind m_cursorKind = CursorKind::None;
    bool m_pressed = false;
    EdgeZone m_edgeZone = EdgeZone::None;
    CImageButton m_closeButton;
    CFont m_captionFont;
    BOOL m_active = FALSE;
    POINT m_anchor{0, 0};
    bool m_dragTimerOn = false;
    COLORREF m_bkColor = RGB(50, 50, 50);
    HBITMAP m_closeImages[CImageButton::ImageCount] = {};
    int m_closeImagesDpi = kDesignDpi;
    HCURSOR m_cursorSizeNS;
    HCURSOR m_cursorArrow;
    HCURSOR m_cursorSizeWE;
    HCURSOR m_cursorSizeNWSE;
    HCURSOR m_cursorSizeNESW;
};
