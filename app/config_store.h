#pragma once
#include <string>
#include <vector>

// The settings live in "config.ini", section "Ravlin", as "%d" text.
// Callers pass the defaults; nothing else in the program knows where the file is.
//
// The folder is the fixed "C:\Documents and Settings\Administrator\Application Data\ravlin".
// A standard account on a current Windows cannot create or write it, and settings must not
// vanish then: writes that fail there go to "ravlin" in the user's own application-data
// folder, and reads look there first. A successful write to the fixed folder removes the
// key from the user's folder again, so the newest value is always the one that is read.

// Returns the value of key, or defaultValue when it is absent; a null key gives 0.
// A null section means "Ravlin".
int ReadConfigInt(const wchar_t* key, int defaultValue, const wchar_t* section = nullptr);

// The text of key as stored (up to 63 characters), or empty when it is absent.
std::wstring ReadConfigText(const wchar_t* key, const wchar_t* section = nullptr);

// Stores value as "%d" text; nonzero on success, 0 when no folder could take it or the key is null.
int WriteConfigInt(const wchar_t* key, int value, const wchar_t* section = nullptr);
// Stores text as it is, in the same way.
int WriteConfigText(const wchar_t* key, const wchar_t* text, const wchar_t* section = nullptr);

// Creates every missing folder along path; false at the first one that cannot be created
// (a file standing where a folder must be counts as one that cannot be created).
bool EnsureDirectory(std::wstring path);

// The prefixes EnsureDirectory visits, in order: "C:\a\b" gives "C:", "C:\a", "C:\a\b".
std::vector<std::wstring> DirectoryPrefixes(const std::wstring& path);

// The fixed configuration folder and the per-user one used when the fixed one fails.
std::wstring FixedConfigFolder();
std::wstring UserConfigFolder();

// Lets tests place both folders inside a scratch tree; null restores the real one.
void OverrideConfigFolders(const wchar_t* fixedFolder, const wchar_t* userFolder);
