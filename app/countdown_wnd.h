#pragma once
// The countdown before a recording starts: N, N-1, ... 1 in large digits over the middle of the
// region, one a second, in a window of its own that is gone before the first frame is taken.
// Esc (a global key while it runs) or the owner's Cancel ends it early; nothing is recorded then.
#include "app/resource.h"
#include "win/dialog.h"
#include "win/gdi_object.h"

class CCountdownWnd : public CDialog {
public:
    // Posted to the owner when the count has run out: wParam 1. When Esc cancelled it: 0.
    // Cancel posts nothing: the owner knows.
    static constexpr UINT kEndedMessage = WM_APP + 17;

    CCountdownWnd() : CDialog(IDD_COUNTDOWN) {}

    // Shows seconds (1..10) centred on region and counts down; owner hears the end. False when
    // the window could not be made: nothing runs then.
    bool Start(CWnd* owner, const RECT& region, int seconds);
    void Cancel();
    bool Running() const { return m_left > 0; }

protected:
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    BOOL OnEraseBkgnd(HDC dc) override;
    void OnPaint() override;
    void OnTimer(UINT_PTR id) override;

private:
    void Stop();
    void End(bool ranOut);

    HWND m_owner = nullptr;
    int m_left = 0;
    CFont m_font;
    int m_fontDpi = 0;
};
