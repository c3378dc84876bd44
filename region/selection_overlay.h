#pragma once
// CSelectionOverlay: the overlay with which the user marks the screen rectangle to record.
//
// Selection look: grey over every monitor; on it the user either drags a band with the
// left button or, after Tab or Space, picks a window: the window under the pointer is
// highlighted and a click takes what is seen of it. A hint line on the overlay names the keys.
// Frame look: the window sits around the chosen rectangle, its inside cut out by the white
// colour key, with an L-shaped mark at each corner (green, red while locked). The marks lie in
// a margin just outside the region, so a copy of the region's pixels never holds them, whatever
// the system includes in a screen copy. It moves by dragging its inside and resizes by its
// border. The region is the client area less that margin, in screen coordinates.
//
// The frame never leaves the virtual screen: moves stop at its edges and sizing is cut at them,
// so the region is always all there to record. A region may be any part of the virtual screen,
// up to all of it; one too close to the screen's edge for the frame's border and margin gets
// the edge frame instead: no border, marks only where the margin is on screen (none on a side
// that lies on the screen's edge, which is its mark), and it neither moves nor sizes.
//
// Keys on the overlay: Esc cancels the selection (the overlay hides and nothing is chosen); Tab
// and Space switch between dragging and picking; W takes the whole monitor under the pointer;
// S asks the owner for a typed size. Enter and
// the template's buttons do nothing, and the overlay never ends itself as a dialog.
#include "win/dialog.h"

#include <string>

class CSelectionOverlay : public CDialog {
public:
    // templateId: the owner's dialog template for the overlay (a pop-up with a sizing border).
    CSelectionOverlay(UINT templateId, CWnd* parent);
    ~CSelectionOverlay() override;

    // The cursor shown over the overlay while dragging; borrowed, never destroyed here.
    void SetSelectCursor(HCURSOR cursor);
    // The hint lines shown on the overlay while dragging and while picking a window.
    void SetHints(const std::wstring& dragHint, const std::wstring& pickHint);
    // The command (WM_COMMAND, BN_CLICKED) posted to the parent when the user asks on the overlay
    // for a typed size; 0: the key does nothing.
    void SetTypedSizeCommand(UINT command);
    // true: arm a new selection and show the overlay over every monitor. false: forget the band
    // and hide.
    void ShowOverlay(bool show);
    // Ends any selection in the frame look on `region` (screen coordinates), as a drag would.
    void ShowRegion(const RECT& region);
    // true: no moving, no sizing border, red marks, while a recording runs.
    void LockFrame(bool lock);
    // Posts `hiddenMessage` to `window` whenever the overlay hides itself (a selection cancelled
    // with Esc, or a release that selected nothing), and `regionMessage` whenever the region
    // shown changes (a new one, or none), so that its owner need not watch it.
    void NotifyOwner(HWND window, UINT hiddenMessage, UINT regionMessage);
    // The region in screen coordinates, as of the last background erase.
    RECT GetCaptureRect() const { return m_region; }
    // The frame look is on screen: a region is chosen.
    bool ShowsRegion() const;
    // The overlay picks windows instead of taking a dragged band.
    bool IsPicking() const { return m_mode == Mode::PickReady || m_mode == Mode::PickPressed; }

    // A key pressed while the overlay is up (Tab, Space, S or Esc, wherever the keyboard focus
    // is in the owner's windows); true when it was the overlay's.
    bool OnKey(UINT key);

    bool PreTranslateMessage(MSG& msg) override;

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
    // Hidden: nothing shown, or the overlay on its way up (the selection look, not yet taking
    // input). DragReady/Dragging and PickReady/PickPressed: the overlay, before and after the press.
    // Frame: the frame look around a chosen region.
    enum class Mode { Hidden, DragReady, Dragging, PickReady, PickPressed, Frame };
    bool Selecting() const { return m_mode != Mode::Frame; }
    bool SelectingUp() const { return Selecting() && m_mode != Mode::Hidden; }
    bool Pressed() const { return m_mode == Mode::Dragging || m_mode == Mode::PickPressed; }

    void SetMode(Mode mode);
    void SetPicking(bool picking);
    // Changes a move or size that would take the region off screen; true when it did.
    bool KeepOnScreen(WINDOWPOS& pos) const;
    void ReassertPlace();
    void ApplyLayered(BYTE alpha, DWORD flags) const;
    void NormaliseBand(POINT a, POINT b);
    void HighlightWindowAt(POINT clientPoint);
    void FinishSelection();
    void PaintFrameLook(HDC dc);
    void PaintSelectionLook(HDC dc);
    void PaintHint(HDC dc, const RECT& client) const;
    // The selection look's or the frame look's styles, as the state says.
    void ApplyStyle() const;
    DWORD FrameStyle(DWORD style) const;
    // The frame window's outer rectangle for a client area.
    RECT OuterForClient(const RECT& client) const;
    // The edge frame's client area (and window) around a region: the margin, where it is on screen.
    RECT ClientOnScreen(const RECT& region) const;
    void PlaceWindow(const RECT& outer);
    void RepaintWithErase() const;
    void HideItself();
    void SetRegion(const RECT& region);
    void NotifyRegionShown() const;

    RECT m_region{};
    POINT m_dragStart{-1, -1};
    POINT m_dragEnd{};
    RECT m_band{};  // client coordinates of the overlay, normalised: the dragged band or the picked window
    Mode m_mode = Mode::Hidden;
    // Set by the owner while a recording runs; it outlasts an overlay shown during a pause.
    bool m_locked = false;
    // The frame with border and marks does not fit around the region on the screen: the window is
    // the region and what of the margin is on screen, borderless, and it neither moves nor sizes.
    bool m_edgeFrame = false;
    int m_markDpi = 96;  // the DPI the marks and their margin were sized for when the frame was placed
    HCURSOR m_selectCursor = nullptr;
    std::wstring m_dragHint;
    std::wstring m_pickHint;
    UINT m_typedSizeCommand = 0;
    bool m_placeCheckPosted = false;
    HWND m_notifyWindow = nullptr;
    UINT m_hiddenMessage = 0;
    UINT m_regionMessage = 0;
};
