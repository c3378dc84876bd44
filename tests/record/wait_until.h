#pragma once
// Polls a condition in the record tests, which watch other threads' work: true as soon as it
// holds, false once the limit has passed.
#include <windows.h>

#include <functional>

inline bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 20000)
{
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        Sleep(5);
    }
    return true;
}
