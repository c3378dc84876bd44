#pragma once
#include <windows.h>

#include <string>

// The folder that holds the running program, without a trailing backslash; the whole path
// whatever its length.
std::wstring ProgramFolder();
