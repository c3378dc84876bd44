#pragma once
// The typed-size dialog: a width and a height for the region, with presets for common sizes.
// It only asks; the caller places the region. A size larger than the screen is allowed and the
// dialog says that the region will be cut to it.
#include "win/dialog.h"

class CRegionSizeDlg : public CDialog {
public:
    // initial: the size shown first; screen: the size of the monitor the region goes on.
    CRegionSizeDlg(CWnd* parent, SIZE initial, SIZE screen);

    // The size accepted with OK.
    SIZE Size() const { return m_size; }

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(UINT id, UINT code, HWND control) override;
    void OnOK() override;

private:
    SIZE SizeShown(bool* valid) const;
    void ShowSize(SIZE size);
    void UpdateNote();

    SIZE m_size;
    SIZE m_screen;
};
