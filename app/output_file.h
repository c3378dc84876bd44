#pragma once
// Where recordings go and what they are called.
#include <windows.h>

#include <functional>
#include <string>

#include "win/program_folder.h"

// "%04d%02d%02d%02d%02d%02d.gif" of a local time.
std::wstring OutputFileName(const SYSTEMTIME& time);

// folder\name, or, when that file exists already, folder\<stem>-2.gif, -3 and so on: two
// recordings started within one second must not replace each other.
std::wstring UniqueOutputPath(const std::wstring& folder, const std::wstring& name,
                              const std::function<bool(const std::wstring&)>& exists);

// The part of a path after its last backslash.
std::wstring FileNamePart(const std::wstring& path);

// True when a file or folder exists at path.
bool PathExists(const std::wstring& path);
