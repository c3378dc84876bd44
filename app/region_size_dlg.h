#pragma once
// The typed-size dialog: a width and a height for the region, with presets for common sizes.
// It only asks; the caller places the region. A size larger than the monitor is not taken: the
// dialog says so, with the largest size that fits, and OK waits for one that does.
#include "win/dialog.h"

class CRegionSizeDlg : public CDialog {
public:
    // initial: the size shown first; screen: the size of the monitor the region goes on.
    CRegionSizeDlg(CWnd* parent, SIZE initial, SIZE screen);

    // The size accepted with OK.
    SIZE Size() const { return m_size; }

protected:
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    BOOL OnInitDialog() override;
    bool OnCommand(UINT id, UINT code, HWND control) override;
    void OnOK() override;

private:
    static constexpr UINT kTakeKeyboard = WM_APP + 1;

    void TakeKeyboard();
    SIZE SizeShown(bool* valid) const;
    bool Fits(SIZE size) const;
    void ShowSize(SIZE size);
    void UpdateNote();

    SIZE m_size;
    SIZE m_screen;
};
