#pragma once
// The two kinds of message box the program shows: an information with OK, and a Yes/No question.
#include <windows.h>

// Caption of every box; the product name.
extern const wchar_t kMessageBoxCaption[];

// OK button only; returns when the user closed it.
void ShowMessage(HWND owner, const wchar_t* text);
// Yes and No with the question icon; true for Yes.
bool AskYesNo(HWND owner, const wchar_t* text);
