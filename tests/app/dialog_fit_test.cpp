// Every English dialog, created for real with its own font: no text is cut off and no two
// controls overlap. English words are longer than the Chinese ones the layout began with.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cwctype>
#include <string>
#include <vector>

#include "app/key_tip_text.h"
#include "app/resource.h"
#include "app/ui_language.h"
#include "win/dc.h"
#include "win/resource_text.h"

namespace {

INT_PTR CALLBACK QuietDialog(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

std::string Narrow(const std::wstring& text)
{
    std::string out;
    for (wchar_t c : text)
        out += c < 128 ? static_cast<char>(c) : '?';
    return out;
}

std::wstring WindowText(HWND hwnd)
{
    wchar_t text[512] = {};
    ::GetWindowTextW(hwnd, text, 512);
    return text;
}

RECT ChildRect(HWND dialog, HWND child)
{
    RECT r{};
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// The extent of text in the control's font: one line, or wrapped to width when width > 0.
SIZE TextExtent(HWND control, const std::wstring& text, int width = 0)
{
    CClientDC dc(control);
    CSelectGuard font(dc, reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0)));
    RECT r{0, 0, width, 0};
    const UINT flags = DT_CALCRECT | (width > 0 ? DT_WORDBREAK : DT_SINGLELINE);
    ::DrawTextW(dc, text.c_str(), -1, &r, flags);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

struct Control {
    HWND hwnd;
    RECT rect;
    std::wstring className;
    DWORD style;
};

std::vector<Control> Children(HWND dialog)
{
    std::vector<Control> children;
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        wchar_t name[64] = {};
        ::GetClassNameW(child, name, 64);
        children.push_back({child, ChildRect(dialog, child), name,
                            static_cast<DWORD>(::GetWindowLongPtrW(child, GWL_STYLE))});
    }
    return children;
}

bool IsClass(const Control& c, const wchar_t* name)
{
    return ::lstrcmpiW(c.className.c_str(), name) == 0;
}

bool IsOwnerDrawn(const Control& c)
{
    return IsClass(c, L"Button") && (c.style & BS_TYPEMASK) == BS_OWNERDRAW;
}

// Room a control's text has: its width less what the control draws beside the text.
void ExpectTextFits(const Control& c)
{
    const std::wstring text = WindowText(c.hwnd);
    if (text.empty() || !(c.style & WS_VISIBLE))
        return;
    SCOPED_TRACE(Narrow(text));
    const int width = c.rect.right - c.rect.left;
    const int height = c.rect.bottom - c.rect.top;
    const SIZE line = TextExtent(c.hwnd, text);
    if (IsClass(c, L"Static")) {
        if (height < 2 * line.cy)
            EXPECT_LE(line.cx, width) << "one-line label cut off";
        else
            EXPECT_LE(TextExtent(c.hwnd, text, width).cy, height) << "wrapped label cut off";
        return;
    }
    if (!IsClass(c, L"Button"))
        return;
    switch (c.style & BS_TYPEMASK) {
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON:
        EXPECT_LE(line.cx + ::GetSystemMetrics(SM_CXMENUCHECK) + 4, width) << "check box text cut off";
        break;
    case BS_GROUPBOX:
        EXPECT_LE(line.cx + 2 * line.cy, width) << "group caption cut off";
        break;
    case BS_OWNERDRAW:
        break;
    default:
        EXPECT_LE(line.cx + 2 * ::GetSystemMetrics(SM_CXEDGE) + 4, width) << "button text cut off";
        EXPECT_LE(line.cy, height);
        break;
    }
}

// Controls may lie inside a group box; otherwise no two visible controls share a pixel. Owner-
// drawn buttons are left out: the window places them itself, the same in every language.
void ExpectNoOverlap(const std::vector<Control>& children)
{
    for (size_t i = 0; i < children.size(); ++i)
        for (size_t j = i + 1; j < children.size(); ++j) {
            const Control& a = children[i];
            const Control& b = children[j];
            if (!(a.style & WS_VISIBLE) || !(b.style & WS_VISIBLE) || IsOwnerDrawn(a) || IsOwnerDrawn(b))
                continue;
            const bool aGroup = IsClass(a, L"Button") && (a.style & BS_TYPEMASK) == BS_GROUPBOX;
            const bool bGroup = IsClass(b, L"Button") && (b.style & BS_TYPEMASK) == BS_GROUPBOX;
            RECT shared{};
            if (aGroup != bGroup) {
                const RECT& group = aGroup ? a.rect : b.rect;
                const RECT& inner = aGroup ? b.rect : a.rect;
                if (::IntersectRect(&shared, &group, &inner)) {
                    EXPECT_TRUE(::EqualRect(&shared, &inner))
                        << Narrow(WindowText(aGroup ? b.hwnd : a.hwnd)) << " half inside a group";
                }
                continue;
            }
            RECT ra = a.rect, rb = b.rect;
            if (IsClass(a, L"ComboBox"))
                ra.bottom = ra.top + 24;  // the template height includes the closed list
            if (IsClass(b, L"ComboBox"))
                rb.bottom = rb.top + 24;
            EXPECT_FALSE(::IntersectRect(&shared, &ra, &rb))
                << Narrow(WindowText(a.hwnd)) << " overlaps " << Narrow(WindowText(b.hwnd));
        }
}

BOOL CALLBACK AddEnglishDialog(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR found)
{
    if (IS_INTRESOURCE(name) && ::FindResourceExW(module, type, name, kEnglishLanguage))
        reinterpret_cast<std::vector<UINT>*>(found)->push_back(static_cast<UINT>(reinterpret_cast<ULONG_PTR>(name)));
    return TRUE;
}

// Every dialog the program has, so that a new one is measured as soon as it exists.
std::vector<UINT> EnglishDialogIds()
{
    std::vector<UINT> ids;
    ::EnumResourceNamesW(nullptr, RT_DIALOG, &AddEnglishDialog, reinterpret_cast<LONG_PTR>(&ids));
    return ids;
}

class EnglishDialogs : public ::testing::Test {
protected:
    void SetUp() override
    {
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_HOTKEY_CLASS | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
        ::InitCommonControlsEx(&controls);
        SetResourceLanguage(kEnglishLanguage);
    }
    void TearDown() override { SetResourceLanguage(0); }

    HWND Create(UINT id)
    {
        const DLGTEMPLATE* dialogTemplate = FindDialogTemplate(id);
        return dialogTemplate ? ::CreateDialogIndirectParamW(::GetModuleHandleW(nullptr), dialogTemplate, nullptr,
                                                             &QuietDialog, 0)
                              : nullptr;
    }
};

}  // namespace

TEST_F(EnglishDialogs, TextsFitTheirControls)
{
    const std::vector<UINT> dialogs = EnglishDialogIds();
    ASSERT_GE(dialogs.size(), 4u);
    for (UINT id : dialogs) {
        SCOPED_TRACE(testing::Message() << "dialog " << id);
        HWND dialog = Create(id);
        ASSERT_NE(dialog, nullptr);
        const std::vector<Control> children = Children(dialog);
        for (const Control& c : children)
            ExpectTextFits(c);
        ExpectNoOverlap(children);
        ::DestroyWindow(dialog);
    }
}

// The Chinese twins too: their labels carry access keys as "(&X)" after the text.
TEST_F(EnglishDialogs, ChineseTextsFitTheirControls)
{
    SetResourceLanguage(kChineseLanguage);
    for (UINT id : EnglishDialogIds()) {
        SCOPED_TRACE(testing::Message() << "dialog " << id);
        HWND dialog = Create(id);
        ASSERT_NE(dialog, nullptr);
        const std::vector<Control> children = Children(dialog);
        for (const Control& c : children)
            ExpectTextFits(c);
        ExpectNoOverlap(children);
        ::DestroyWindow(dialog);
    }
}

// The keyboard conventions of the dialogs that take input, in both languages: every label's
// access key leads to the input after it, no letter serves two controls, the first control
// in the tab order is an input, and OK is the default button.
TEST_F(EnglishDialogs, AccessKeysLeadToTheirInputs)
{
    for (LANGID language : {kChineseLanguage, kEnglishLanguage}) {
        SetResourceLanguage(language);
        for (UINT id : {IDD_SETTINGS, IDD_REGION_SIZE}) {
            SCOPED_TRACE(testing::Message() << "language " << language << " dialog " << id);
            HWND dialog = Create(id);
            ASSERT_NE(dialog, nullptr);
            std::wstring letters;
            for (const Control& c : Children(dialog)) {
                const std::wstring text = WindowText(c.hwnd);
                const size_t amp = text.find(L'&');
                if (amp == std::wstring::npos || amp + 1 >= text.size())
                    continue;
                SCOPED_TRACE(Narrow(text));
                const wchar_t letter = static_cast<wchar_t>(std::towupper(text[amp + 1]));
                EXPECT_EQ(letters.find(letter), std::wstring::npos) << "access key used twice";
                letters += letter;
                if (IsClass(c, L"Static")) {
                    HWND next = ::GetNextDlgTabItem(dialog, c.hwnd, FALSE);
                    HWND after = ::GetWindow(c.hwnd, GW_HWNDNEXT);
                    EXPECT_EQ(next, after) << "the label is not right before its input";
                }
            }
            HWND first = ::GetNextDlgTabItem(dialog, nullptr, FALSE);
            wchar_t name[32] = {};
            ::GetClassNameW(first, name, 32);
            EXPECT_NE(::lstrcmpiW(name, L"Button") == 0 && ::GetDlgCtrlID(first) == IDOK, true)
                << "the tab order starts at OK";
            EXPECT_EQ(LOWORD(::SendMessageW(dialog, DM_GETDEFID, 0, 0)), IDOK);
            ::DestroyWindow(dialog);
        }
    }
}

// What the dialogs fill in at run time, at its longest: each text set into its control must fit
// as the template's own texts do.
TEST_F(EnglishDialogs, RunTimeTextsFit)
{
    const std::wstring key = L"Ctrl+Shift+Alt+F12";
    const std::wstring keyNotes = FormatText(IDS_KEY_HELD_ELSEWHERE, {key, CommandName(HotkeySelect)}) + L"\n" +
                                  FormatText(IDS_KEY_HELD_ELSEWHERE, {key, CommandName(HotkeyStop)}) + L"\n" +
                                  FormatText(IDS_KEY_DUPLICATE, {key});
    const struct {
        UINT dialog;
        int control;
        std::wstring text;
    } cases[] = {
        {IDD_SETTINGS, IDC_HOTKEY_STATUS, keyNotes},
        {IDD_REVIEW, IDC_REVIEW_PLAY, LoadText(IDS_REVIEW_PAUSE)},
        {IDD_REVIEW, IDC_REVIEW_POSITION, FormatText(IDS_REVIEW_POSITION, {L"70000", L"70000", L"61:40.05", L"61:40.05"})},
        {IDD_REVIEW, IDC_REVIEW_RANGE, FormatText(IDS_REVIEW_KEPT, {L"70000", L"70000", L"3700.05"})},
        {IDD_REVIEW, IDC_REVIEW_EDITS, FormatText(IDS_EDIT_CROP_HINT, {L"3840", L"2160"})},
        {IDD_REVIEW, IDC_REVIEW_EDITS, LoadText(IDS_EDIT_NONE)},
        {IDD_REVIEW, IDC_REVIEW_EDITS,
         FormatText(IDS_EDIT_CROP, {L"3840", L"2160"}) + L"  ·  " + FormatText(IDS_EDIT_CUTS, {L"999"}) + L"  ·  " +
             FormatText(IDS_EDIT_SPEED, {L"1.5×"}) + L"  ·  " + LoadText(IDS_EDIT_PAUSES)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "dialog " << c.dialog << " control " << c.control);
        HWND dialog = Create(c.dialog);
        ASSERT_NE(dialog, nullptr);
        HWND control = ::GetDlgItem(dialog, c.control);
        ASSERT_NE(control, nullptr);
        ::SetWindowTextW(control, c.text.c_str());
        for (const Control& child : Children(dialog))
            if (child.hwnd == control)
                ExpectTextFits(child);
        ::DestroyWindow(dialog);
    }
}

// The language names in the settings' list fit the closed list.
TEST_F(EnglishDialogs, LanguageNamesFitTheList)
{
    HWND dialog = Create(IDD_SETTINGS);
    ASSERT_NE(dialog, nullptr);
    HWND list = ::GetDlgItem(dialog, IDC_LANGUAGE);
    const RECT listRect = ChildRect(dialog, list);
    for (UINT name : {IDS_LANGUAGE_AUTO, IDS_LANGUAGE_CHINESE, IDS_LANGUAGE_ENGLISH}) {
        SCOPED_TRACE(Narrow(LoadText(name)));
        EXPECT_LE(TextExtent(list, LoadText(name)).cx + ::GetSystemMetrics(SM_CXVSCROLL) + 8,
                  listRect.right - listRect.left);
    }
    ::DestroyWindow(dialog);
}
