// Loaded into a process of the test prefix by e2e_helper's probe: Wine has no call that tells
// another process's GDI object count (GetGuiResources is a stub), so it is counted from inside.
#include <windows.h>

// Wine accepts a handle with an empty upper half as the current object of that table slot.
extern "C" __declspec(dllexport) DWORD WINAPI CountGdiObjects(void*)
{
    DWORD count = 0;
    for (UINT_PTR slot = 1; slot < 0x10000; ++slot)
        if (GetObjectType(reinterpret_cast<HGDIOBJ>(slot)) != 0)
            ++count;
    return count;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD, void*)
{
    return TRUE;
}
