#pragma once
// CImageButton: the close box of the skinned frame. Shows one of five whole bitmaps (borrowed,
// never deleted here) chosen by the pressed and hover state and by whether its dialog is active.
#include "win/window.h"

class CImageButton : public CWnd {
public:
    enum Image { Normal, Hover, Pressed, Inactive, InactiveHover, ImageCount };

    // A visible child push button with an empty caption.
    bool Create(HWND parent, const RECT& rect, UINT id);
    void SetStateBitmaps(HBITMAP normal, HBITMAP hover, HBITMAP pressed, HBITMAP inactive,
                         HBITMAP inactiveHover);
    // Repaints only when the flag changes.
    void SetActive(BOOL active);
    BOOL IsActive() const { return m_active; }
    BOOL IsHover() const { return m_hover; }

    // Which image a state shows.
    static Image ChooseImage(bool selected, bool hover, bool active);

    void DrawItem(const DRAWITEMSTRUCT& item) override;

protected:
    void PreSubclassWindow() override;
    void OnMouseMove(UINT flags, POINT point) override;
    void OnMouseHover(UINT flags, POINT point) override;
    void OnMouseLeave() override;
    BOOL OnEraseBkgnd(HDC dc) override;

private:
    BOOL m_hover = FALSE;
    BOOL m_tracking = FALSE;
    HBITMAP m_bitmaps[ImageCount] = {};
    BOOL m_active = FALSE;
};

// Asks for WM_MOUSEHOVER (after 1 ms at rest) and WM_MOUSELEAVE; true when the request was taken.
BOOL TrackMouseHoverAndLeave(HWND hwnd);
