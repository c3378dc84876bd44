#pragma once
// CSelectionOverlay: the overlay with which the user marks the screen rectangle to record.
//
// Selection look: a maximised grey veil on which a band is dragged with the left button.
// Frame look: the window sits on the chosen rectangle, its inside cut out by the white colour
// key, with an L-shaped mark in each corner (green, red while locked). It moves by dragging its
// inside and resizes by its border. The region is the client area in screen coordinates.
//
// The frame never leaves the screen: moves stop at its edges and sizing is cut at them, so the
// region is always all there to record.
//
// Keys: Esc during a selection cancels it (the overlay hides and nothing is chosen); Enter and
// the template's buttons do nothing, and the overlay never ends itself as a dialog.
#include "win/dialog.h"

class CSelectionOverlay : public CDialog {
public:
    // templateId: the owner's dialog template for the overlay (a pop-up with a sizing border).
    CSelectionOverlay(UINT templateId, CWnd* parent);
    ~CSelectionOverlay() override;

    // 1: selection look (the main window passes 1 before creating the window); 0: frame look.
    void SetSelectMode(int selecting);
    // The cursor shown over the veil; borrowed, never destroyed here.
    void SetSelectCursor(HCURSOR cursor);
    // true: arm a new selection and show the veil maximised. false: forget the band and hide.
    void ShowOverlay(bool show);
    // true: no moving, no sizing border, red marks, while a recording runs.
    void LockFrame(bool lock);
    // The region: the client area in screen coordinates, as of the last background erase.
    RECT GetCaptureRect() const { return m_region; }

protected:
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

    LRESULT OnNcHitTest(POINT screenPoint) override;
    BOOL OnEraseBkgnd(HDC dc) override;
    void OnMove(int x, int y) override;
    void OnSize(UINT type, int cx, int cy) override;
    void OnLButtonDown(UINT flags, POINT point) override;
    void OnMouseMove(UINT flags, POINT point) override;
    void OnLButtonUp(UINT flags, POINT point) override;
    BOOL OnSetCursor(HWND hwnd, UINT hitTest, UINT message) override;

private:
    void SetArmed(int armed);
    // Changes a move or size that would take the frame off screen; true when it did.
    bool KeepOnScreen(WINDOWPOS& pos) const;
    void ReassertPlace();
    void ApplyLayered(BYTE alpha, DWORD flags) const;
    void NormaliseBand(POINT a, POINT b);
    void PaintFrameLook(HDC dc);
    void PaintSelectionLook(HDC dc);
    void PlaceOnBand();
    void RepaintWithErase() const;

    RECT m_region{};
    POINT m_dragStart{-1, -1};
    POINT m_dragEnd{};
    RECT m_band{};  // client coordinates of the full-screen window, normalised
    int m_selecting = 0;
    int m_armed = 0;
    int m_dragging = 0;
    int m_locked = 0;
    HCURSOR m_selectCursor = nullptr;
    bool m_placeCheckPosted = false;
};
