#pragma once
// The window tests' wait: runs this thread's messages while a condition is awaited.
#include <windows.h>

#include "win/window.h"

// Runs messages (through the pre-translation chain) until done() or the limit; false on timeout.
template <typename Condition>
bool PumpUntil(Condition done, DWORD limitMs = 10000)
{
    const DWORD start = ::GetTickCount();
    for (;;) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (!CWnd::PreTranslateChain(msg)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageW(&msg);
            }
        }
        if (done())
            return true;
        if (::GetTickCount() - start > limitMs)
            return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}
