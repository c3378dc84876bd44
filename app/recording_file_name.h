#pragma once
// What a recording's file is called, and the parts of its path the window shows.
#include <windows.h>

#include <string>

#include "win/program_folder.h"

// "%04d%02d%02d%02d%02d%02d.gif" of a local time.
std::wstring OutputFileName(const SYSTEMTIME& time);

// The part of a path after its last backslash.
std::wstring FileNamePart(const std::wstring& path);

// True when a file or folder exists at path.
bool PathExists(const std::wstring& path);
