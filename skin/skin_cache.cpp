#include "skin_cache.h"

#include <cstdint>
#include <cwchar>

#include <shlwapi.h>

#include "win/program_folder.h"

namespace {
constexpr UINT kFileLoadFlags = LR_LOADFROMFILE | LR_DEFAULTSIZE | LR_CREATEDIBSECTION;
constexpr UINT kResourceIconFlags = LR_DEFAULTSIZE | LR_CREATEDIBSECTION;
constexpr wchar_t kSection[] = L"SkinPath";
// Only images whose path says they are thumbnails must be at least this wide.
constexpr int kMinThumbnailWidth = 100;

HBITMAP LoadBitmapFile(const std::wstring& path)
{
    auto load = [](const std::wstring& file) {
        return static_cast<HBITMAP>(
            ::LoadImageW(::GetModuleHandleW(nullptr), file.c_str(), IMAGE_BITMAP, 0, 0, kFileLoadFlags));
    };
    HBITMAP bitmap = load(path);
    // The image loader stops at MAX_PATH characters: deeper down, the file's short name still
    // reaches it.
    if (!bitmap && path.size() >= MAX_PATH) {
        std::wstring shortPath(::GetShortPathNameW(path.c_str(), nullptr, 0), L'\0');
        if (!shortPath.empty() &&
            ::GetShortPathNameW(path.c_str(), &shortPath[0], static_cast<DWORD>(shortPath.size())) != 0) {
            shortPath.resize(wcslen(shortPath.c_str()));
            bitmap = load(shortPath);
        }
    }
    return bitmap;
}
}  // namespace

CSkinCache& CSkinCache::GetInstance()
{
    static CSkinCache instance;  // destroyed by the runtime at process exit
    return instance;
}

CSkinCache::CSkinCache()
{
    // The whole path: the images beside a program in a deep folder must still be found.
    m_moduleDir = ProgramFolder();
    m_iniPath = m_moduleDir + L"\\skin.ini";
}

CSkinCache::~CSkinCache()
{
    ReleaseAll();
}

void CSkinCache::ReleaseAll() noexcept
{
    try {
        for (auto& entry : m_bitmapsByName)
            ::DeleteObject(entry.second.handle);
        m_bitmapsByName.clear();
        for (auto& entry : m_iconsByName)
            ::DestroyIcon(entry.second.handle);
        m_iconsByName.clear();
        for (auto& entry : m_bitmapsByFile)
            ::DeleteObject(entry.second);
        m_bitmapsByFile.clear();
    } catch (...) {
        // Process exit: nothing useful can be done about a failed release.
    }
}

std::wstring CSkinCache::LowerName(std::wstring name)
{
    // Letters A to Z only, as the runtime does in its default locale.
    for (wchar_t& c : name) {
        if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c - L'A' + L'a');
    }
    return name;
}

std::wstring CSkinCache::TraceLine(const std::wstring& name, const void* handle)
{
    // Eight hexadecimal digits at least; a wider handle keeps all of its digits.
    wchar_t line[MAX_PATH + 64];
    std::swprintf(line, sizeof(line) / sizeof(line[0]), L"[Sarkent]%ls:0x%08llX", name.c_str(),
                  static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(handle)));
    return line;
}

HBITMAP CSkinCache::LoadSkinBitmap(std::wstring name)
{
    name = LowerName(std::move(name));
    if (name.empty())
        return nullptr;
    auto found = m_bitmapsByFile.find(name);
    if (found != m_bitmapsByFile.end())
        return found->second;
    HBITMAP bitmap = LoadBitmapFile(name);
    // Started from a shortcut or a command line elsewhere, the current directory is not the
    // program's: the skin folder beside the program still has the images.
    if (!bitmap && ::PathIsRelativeW(name.c_str()) && !m_moduleDir.empty())
        bitmap = LoadBitmapFile(m_moduleDir + L"\\" + name);
    if (!bitmap)
        return nullptr;
    ::OutputDebugStringW(TraceLine(name, bitmap).c_str());
    m_bitmapsByFile.emplace(name, bitmap);
    return bitmap;
}

std::wstring CSkinCache::ReadSkinPath(const std::wstring& lowerName) const
{
    wchar_t value[MAX_PATH] = {};
    ::GetPrivateProfileStringW(kSection, lowerName.c_str(), L"", value, MAX_PATH, m_iniPath.c_str());
    return value;
}

std::wstring CSkinCache::GetSkinFilePath(const std::wstring& name) const
{
    return m_moduleDir + L"\\" + ReadSkinPath(LowerName(name));
}

HBITMAP CSkinCache::LoadNamedBitmap(const std::wstring& name, SIZE& size)
{
    const std::wstring key = LowerName(name);
    size = SIZE{0, 0};
    auto found = m_bitmapsByName.find(key);
    if (found != m_bitmapsByName.end()) {
        size = SIZE{found->second.width, found->second.height};
        return found->second.handle;
    }
    const std::wstring relative = ReadSkinPath(key);
    if (relative.empty())
        return nullptr;
    HBITMAP bitmap = LoadBitmapFile(m_moduleDir + L"\\" + relative);
    if (!bitmap)
        return nullptr;
    BITMAP info{};
    if (::GetObjectW(bitmap, sizeof(info), &info) == 0) {
        ::DeleteObject(bitmap);
        return nullptr;
    }
    // The rule looks at the path the description gives, not at the program's folder.
    if (info.bmWidth < kMinThumbnailWidth && relative.find(L"Thumbnail") != std::wstring::npos) {
        ::DeleteObject(bitmap);
        return nullptr;
    }
    size = SIZE{info.bmWidth, info.bmHeight};
    m_bitmapsByName.emplace(key, NamedBitmap{bitmap, info.bmWidth, info.bmHeight});
    return bitmap;
}

HICON CSkinCache::LoadNamedIcon(const std::wstring& name, int cx, int cy)
{
    const std::wstring key = LowerName(name);
    auto found = m_iconsByName.find(key);
    if (found != m_iconsByName.end())
        return found->second.handle;  // the first request's size wins
    HICON icon = nullptr;
    const std::wstring relative = ReadSkinPath(key);
    if (!relative.empty()) {
        icon = static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr), (m_moduleDir + L"\\" + relative).c_str(),
                                               IMAGE_ICON, cx, cy, kFileLoadFlags));
    }
    if (!icon) {
        icon = static_cast<HICON>(
            ::LoadImageW(::GetModuleHandleW(nullptr), key.c_str(), IMAGE_ICON, cx, cy, kResourceIconFlags));
    }
    if (icon)
        m_iconsByName.emplace(key, NamedIcon{icon, cx, cy});
    return icon;
}

void CSkinCache::FreeNamedBitmap(const std::wstring& name)
{
    auto found = m_bitmapsByName.find(LowerName(name));
    if (found == m_bitmapsByName.end())
        return;
    ::DeleteObject(found->second.handle);
    m_bitmapsByName.erase(found);
}
