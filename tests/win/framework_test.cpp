// Dialog base: modal and modeless runs, handler override chain, data exchange, reflection of
// owner drawing, and the catch-all that keeps exceptions out of the system's code.
#include <gtest/gtest.h>

#include <stdexcept>

#include "tests/pump_until.h"
#include "win/data_exchange.h"
#include "win/dialog.h"

namespace {
constexpr UINT kTestDialog = 200;

class CDrawnButton : public CWnd {
public:
    int draws = 0;
    bool preSubclassed = false;
    void DrawItem(const DRAWITEMSTRUCT&) override { ++draws; }

protected:
    void PreSubclassWindow() override { preSubclassed = true; }
};

class CTestDialog : public CDialog {
public:
    explicit CTestDialog(CWnd* parent = nullptr) : CDialog(kTestDialog, parent) {}

    std::wstring name = L"first";
    int number = 42;
    int checked = 1;
    CDrawnButton drawn;
    int timerTicks = 0;
    int baseEraseCalls = 0;
    bool throwOnTimer = false;
    int destroys = 0;
    // Runs once the dialog is up, from inside its own modal loop.
    void (*script)(CTestDialog&) = nullptr;

protected:
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        SetTimer(7, 10);
        return TRUE;
    }
    void DoDataExchange(CDataExchange& dx) override
    {
        CDialog::DoDataExchange(dx);
        DDX_Text(dx, 1001, name);
        DDX_Text(dx, 1002, number);
        DDX_Check(dx, 1003, checked);
        DDX_Control(dx, 1004, drawn);
    }
    void OnTimer(UINT_PTR id) override
    {
        if (id == 7 && ++timerTicks == 1 && script)
            script(*this);
        if (throwOnTimer)
            throw std::runtime_error("handler failure");
        CDialog::OnTimer(id);
    }
    void OnDestroy() override
    {
        ++destroys;
        CDialog::OnDestroy();
    }
    BOOL OnEraseBkgnd(HDC dc) override
    {
        ++baseEraseCalls;
        return CDialog::OnEraseBkgnd(dc);
    }
};
}  // namespace

TEST(DialogBase, ModalRunExchangesDataBothWaysAndReturnsTheResult)
{
    CTestDialog dialog;
    dialog.script = [](CTestDialog& d) {
        wchar_t text[64] = {};
        ::GetDlgItemTextW(d, 1001, text, 64);
        EXPECT_STREQ(L"first", text);
        ::GetDlgItemTextW(d, 1002, text, 64);
        EXPECT_STREQ(L"42", text);
        EXPECT_EQ(BST_CHECKED, ::IsDlgButtonChecked(d, 1003));
        EXPECT_TRUE(d.drawn.preSubclassed);
        EXPECT_EQ(&d.drawn, CWnd::FromHandle(d.GetDlgItem(1004)));

        ::SetDlgItemTextW(d, 1001, L"second");
        ::SetDlgItemTextW(d, 1002, L" 17 frames");
        ::CheckDlgButton(d, 1003, BST_UNCHECKED);
        // The OK button, as a click would deliver it.
        d.PostMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(d.GetDlgItem(IDOK)));
    };
    EXPECT_EQ(IDOK, dialog.DoModal());
    EXPECT_EQ(L"second", dialog.name);
    EXPECT_EQ(17, dialog.number);
    EXPECT_EQ(0, dialog.checked);
    EXPECT_GT(dialog.drawn.draws, 0) << "WM_DRAWITEM is reflected to the control's object";
    EXPECT_GT(dialog.baseEraseCalls, 0) << "a replaced handler is reached through the switch";
    EXPECT_EQ(nullptr, dialog.GetSafeHwnd()) << "the window is gone after the run";
    EXPECT_EQ(1, dialog.destroys);
    EXPECT_EQ(nullptr, dialog.drawn.GetSafeHwnd()) << "controls are unbound when destroyed";
}

TEST(DialogBase, EscapeAndCloseCancelWithoutExchangingData)
{
    CTestDialog dialog;
    dialog.script = [](CTestDialog& d) {
        ::SetDlgItemTextW(d, 1002, L"99");
        d.PostMessage(WM_CLOSE);
    };
    EXPECT_EQ(IDCANCEL, dialog.DoModal());
    EXPECT_EQ(42, dialog.number);
}

TEST(DialogBase, ExceptionInHandlerDoesNotEndTheProgram)
{
    CTestDialog dialog;
    dialog.throwOnTimer = true;
    dialog.script = [](CTestDialog& d) { d.PostMessage(WM_CLOSE); };
    EXPECT_EQ(IDCANCEL, dialog.DoModal());
    EXPECT_GE(dialog.timerTicks, 1);
}

TEST(DialogBase, ModalOwnerIsDisabledDuringTheRunAndEnabledAfter)
{
    CTestDialog owner;
    ASSERT_TRUE(owner.Create());
    owner.ShowWindow(SW_SHOW);
    static HWND ownerWindow;
    ownerWindow = owner;
    CTestDialog dialog(&owner);
    dialog.script = [](CTestDialog& d) {
        EXPECT_FALSE(::IsWindowEnabled(ownerWindow));
        d.EndDialog(5);
    };
    EXPECT_EQ(5, dialog.DoModal());
    EXPECT_TRUE(::IsWindowEnabled(ownerWindow));
}

TEST(DialogBase, ModelessEndDialogHidesAndTheObjectDestroysTheWindow)
{
    HWND window = nullptr;
    {
        CTestDialog dialog;
        ASSERT_TRUE(dialog.Create());
        window = dialog;
        EXPECT_FALSE(dialog.Create()) << "one window per object";
        EXPECT_EQ(-1, dialog.DoModal());
        dialog.ShowWindow(SW_SHOW);
        ASSERT_TRUE(PumpUntil([&] { return dialog.timerTicks > 0; }));
        dialog.EndDialog(IDOK);
        EXPECT_FALSE(dialog.IsWindowVisible());
        EXPECT_TRUE(::IsWindow(window));
    }
    EXPECT_FALSE(::IsWindow(window)) << "the owner object destroys its window";
}
