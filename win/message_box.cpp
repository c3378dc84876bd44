#include "message_box.h"

const wchar_t kMessageBoxCaption[] = L"Ravlin";

void ShowMessage(HWND owner, const wchar_t* text)
{
    ::MessageBoxW(owner, text, kMessageBoxCaption, MB_OK);
}

bool AskYesNo(HWND owner, const wchar_t* text)
{
    return ::MessageBoxW(owner, text, kMessageBoxCaption, MB_YESNO | MB_ICONQUESTION) == IDYES;
}
