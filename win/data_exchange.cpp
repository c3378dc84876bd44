#include "data_exchange.h"

#include <climits>
#include <cwctype>

#include "dialog.h"

void CDataExchange::Fail(int controlId)
{
    m_failed = true;
    if (HWND control = m_dialog.GetDlgItem(controlId))
        ::SetFocus(control);
}

void DDX_Control(CDataExchange& dx, int id, CWnd& control)
{
    if (control.GetSafeHwnd())
        return;
    HWND item = dx.Dialog().GetDlgItem(id);
    if (!item || !control.SubclassWindow(item))
        dx.Fail(id);
}

void DDX_Text(CDataExchange& dx, int id, std::wstring& value)
{
    HWND item = dx.Dialog().GetDlgItem(id);
    if (!item) {
        dx.Fail(id);
        return;
    }
    if (dx.IsSaving()) {
        int length = ::GetWindowTextLengthW(item);
        std::wstring text(static_cast<size_t>(length) + 1, L'\0');
        int copied = ::GetWindowTextW(item, text.data(), length + 1);
        text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
        value = text;
    } else {
        ::SetWindowTextW(item, value.c_str());
    }
}

void DDX_Text(CDataExchange& dx, int id, int& value)
{
    std::wstring text;
    if (!dx.IsSaving())
        text = std::to_wstring(value);
    DDX_Text(dx, id, text);
    if (dx.IsSaving() && !dx.Failed())
        value = ParseLeadingInt(text.c_str());
}

void DDX_Check(CDataExchange& dx, int id, int& value)
{
    HWND item = dx.Dialog().GetDlgItem(id);
    if (!item) {
        dx.Fail(id);
        return;
    }
    if (dx.IsSaving())
        value = static_cast<int>(::SendMessageW(item, BM_GETCHECK, 0, 0));
    else
        ::SendMessageW(item, BM_SETCHECK, static_cast<WPARAM>(value), 0);
}

int ParseLeadingInt(const wchar_t* text)
{
    if (!text)
        return 0;
    while (std::iswspace(*text))
        ++text;
    bool negative = false;
    if (*text == L'+' || *text == L'-') {
        negative = *text == L'-';
        ++text;
    }
    // Saturate instead of overflowing: a long run of digits must not wrap into a valid value.
    long long magnitude = 0;
    for (; *text >= L'0' && *text <= L'9'; ++text) {
        magnitude = magnitude * 10 + (*text - L'0');
        if (magnitude > static_cast<long long>(INT_MAX) + 1)
            magnitude = static_cast<long long>(INT_MAX) + 1;
    }
    long long result = negative ? -magnitude : magnitude;
    if (result > INT_MAX)
        result = INT_MAX;
    return static_cast<int>(result);
}
