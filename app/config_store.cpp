#include "config_store.h"

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <cwchar>

namespace {

const wchar_t kFixedFolder[] = L"C:\\Documents and Settings\\Administrator\\Application Data\\ravlin";
const wchar_t kFileName[] = L"\\config.ini";
const wchar_t kDefaultSection[] = L"Ravlin";

std::wstring g_fixedOverride;
std::wstring g_userOverride;

const wchar_t* SectionOrDefault(const wchar_t* section)
{
    return section ? section : kDefaultSection;
}

bool HasValue(const wchar_t* section, const wchar_t* key, const std::wstring& file)
{
    if (!PathFileExistsW(file.c_str()))
        return false;
    wchar_t text[64];
    return GetPrivateProfileStringW(section, key, L"", text, 64, file.c_str()) > 0;
}

}  // namespace

std::wstring FixedConfigFolder()
{
    return g_fixedOverride.empty() ? std::wstring(kFixedFolder) : g_fixedOverride;
}

std::wstring UserConfigFolder()
{
    if (!g_userOverride.empty())
        return g_userOverride;
    wchar_t appData[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData)))
        return std::wstring();
    return std::wstring(appData) + L"\\ravlin";
}

void OverrideConfigFolders(const wchar_t* fixedFolder, const wchar_t* userFolder)
{
    g_fixedOverride = fixedFolder ? fixedFolder : L"";
    g_userOverride = userFolder ? userFolder : L"";
}

namespace {

// The file a key is read from: the user's copy was written because the fixed folder refused
// it, so it wins while it holds the key.
std::wstring FileToRead(const wchar_t* section, const wchar_t* key)
{
    const std::wstring fixedFolder = FixedConfigFolder();
    EnsureDirectory(fixedFolder);
    const std::wstring userFolder = UserConfigFolder();
    if (!userFolder.empty()) {
        const std::wstring userFile = userFolder + kFileName;
        if (HasValue(section, key, userFile))
            return userFile;
    }
    return fixedFolder + kFileName;
}

}  // namespace

int ReadConfigInt(const wchar_t* key, int defaultValue, const wchar_t* section)
{
    if (!key)
        return 0;
    section = SectionOrDefault(section);
    return static_cast<int>(GetPrivateProfileIntW(section, key, defaultValue, FileToRead(section, key).c_str()));
}

std::wstring ReadConfigText(const wchar_t* key, const wchar_t* section)
{
    if (!key)
        return std::wstring();
    section = SectionOrDefault(section);
    wchar_t text[64] = {};
    GetPrivateProfileStringW(section, key, L"", text, 64, FileToRead(section, key).c_str());
    return text;
}

int WriteConfigInt(const wchar_t* key, int value, const wchar_t* section)
{
    wchar_t text[16];
    swprintf(text, 16, L"%d", value);
    return WriteConfigText(key, text, section);
}

int WriteConfigText(const wchar_t* key, const wchar_t* text, const wchar_t* section)
{
    if (!key || !text)
        return 0;
    section = SectionOrDefault(section);
    const std::wstring fixedFolder = FixedConfigFolder();
    const std::wstring userFolder = UserConfigFolder();
    const std::wstring userFile = userFolder.empty() ? std::wstring() : userFolder + kFileName;

    EnsureDirectory(fixedFolder);
    const std::wstring fixedFile = fixedFolder + kFileName;
    if (WritePrivateProfileStringW(section, key, text, fixedFile.c_str())) {
        // Drop an older copy that would otherwise shadow this value on the next read.
        if (!userFile.empty() && HasValue(section, key, userFile))
            WritePrivateProfileStringW(section, key, nullptr, userFile.c_str());
        return TRUE;
    }

    if (userFile.empty() || !EnsureDirectory(userFolder))
        return 0;
    return WritePrivateProfileStringW(section, key, text, userFile.c_str());
}

std::vector<std::wstring> DirectoryPrefixes(const std::wstring& path)
{
    std::vector<std::wstring> prefixes;
    std::wstring prefix;
    std::wstring rest = path;
    while (!rest.empty()) {
        const size_t p = rest.find(L'\\');
        std::wstring part;
        if (p != std::wstring::npos && p > 0) {
            part = rest.substr(0, p);
            rest.erase(0, p + 1);
        } else {
            part = rest;
            rest.clear();
        }
        if (!prefix.empty())
            part = prefix + L"\\" + part;
        prefix = part;
        prefixes.push_back(part);
    }
    return prefixes;
}

bool EnsureDirectory(std::wstring path)
{
    for (const std::wstring& part : DirectoryPrefixes(path)) {
        if (PathFileExistsW(part.c_str())) {
            const DWORD attributes = GetFileAttributesW(part.c_str());
            if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
                return false;
            continue;
        }
        if (!CreateDirectoryW(part.c_str(), nullptr))
            return false;
    }
    return true;
}
