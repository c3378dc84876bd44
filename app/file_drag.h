#pragma once
#include <string>

// Drags one file out of the window under the pointer, as the file manager does: a drop on a
// folder copies it, on a chat or a mail attaches it. Runs the system's drag loop until the
// button is let go or Esc is pressed; true when a window took the file.
bool DragFileOut(const std::wstring& path);
