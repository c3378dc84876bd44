#pragma once
// CHoverButton: an owner-drawn tool button showing one of four images cut from a horizontal strip
// (normal, hover, pressed, disabled), with hover tracking, a tooltip and a latched pressed look.
// Its window text is its tip, for screen readers; a focus reached by the keyboard is marked.
// It paints over a copy of the parent's pixels taken at its first paint.
#include <optional>

#include "win/dc.h"
#include "win/dpi.h"
#include "win/gdi_object.h"
#include "win/image_list.h"
#include "win/tooltip.h"
#include "win/window.h"

class CHoverButton : public CWnd {
public:
    enum Image { Normal, Hover, Pressed, Disabled };

    explicit CHoverButton(int showText = 0);

    // Cuts the strip into four images and sizes the button to one; 0 for a null handle. The
    // strip is drawn for stripDpi and scaled to the button's DPI.
    int SetImageStrip(HBITMAP strip, COLORREF maskColour, BOOL useMask, int stripDpi = kDesignDpi);
    void SetTipText(const wchar_t* text, BOOL activate);
    void SetLatched(BOOL latched);

    SIZE ImageSize() const { return SIZE{m_imageWidth, m_imageHeight}; }
    BOOL IsHover() const { return m_hover; }
    // The button has the focus and it came by the keyboard: it shows the focus mark.
    bool HasKeyboardFocus() const { return m_keyboardFocus && ::GetFocus() == m_hWnd; }
    HWND ToolTipWindow() const { return m_tooltip.GetSafeHwnd(); }

    // Which image a state shows: latched or pressed, then disabled, then hover, then normal.
    static Image ChooseImage(UINT itemState, bool latched, bool hover);

    bool PreTranslateMessage(MSG& msg) override;
    void DrawItem(const DRAWITEMSTRUCT& item) override;

protected:
    void PreSubclassWindow() override;
    void OnMouseMove(UINT flags, POINT point) override;
    void OnMouseHover(UINT flags, POINT point) override;
    void OnMouseLeave() override;
    BOOL OnEraseBkgnd(HDC dc) override;
    void OnSetFocus(HWND oldFocus) override;
    void OnKillFocus(HWND newFocus) override;

private:
    void EnsureToolTip();
    // True for a window that counts as one of the tool buttons for the default-button dance.
    static bool IsOwnerDrawnButton(HWND hwnd);

    BOOL m_hover = FALSE;
    BOOL m_tracking = FALSE;
    int m_imageWidth = 0;
    int m_imageHeight = 0;
    CImageList m_images;
    BOOL m_latched = FALSE;
    int m_showText;
    CFont m_textFont;
    COLORREF m_textColour = RGB(255, 255, 255);
    COLORREF m_disabledTextColour = RGB(178, 178, 178);
    CToolTipCtrl m_tooltip;
    // Parent pixels under the button; the guard puts the DC's own bitmap back before either goes.
    CBitmap m_background;
    CDC m_backgroundDC;
    std::optional<CSelectGuard> m_backgroundSelect;
    BOOL m_needsBackground = TRUE;
    bool m_keyboardFocus = false;  // the focus came by Tab or an arrow key, not a click: the mark shows
};
