#pragma once
#include <windows.h>

#include <string>

// Puts one file on the clipboard the way the file manager's Copy does: as a file drop with
// the "copy" drop effect, so pasting into a folder copies it and a chat or mail attaches it.
// False when the clipboard cannot be had or would not take the file.
bool PutFileOnClipboard(HWND owner, const std::wstring& path);

// The file as a file drop (DROPFILES and its name) in new movable global memory, the caller's
// to free or hand on; null when there is no memory for it.
HGLOBAL NewFileDrop(const std::wstring& path);
