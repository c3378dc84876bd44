#include "skin_cache.h"

#include <cstdint>
#include <cwchar>

#include <shlwapi.h>

namespace {
constexpr UINT kFileLoadFlags = LR_LOADFROMFILE | LR_DEFAULTSIZE | LR_CREATEDIBSECTION;
constexpr UINT kResourceIconFlags = LR_DEFAULTSIZE | LR_CREATEDIBSECTION;
constexpr wchar_t kSection[] = L"SkinPath";
// Only images whose path says they are thumbnails must be at least this wide.
constexpr int kMinThumbnailWidth = 100;

HBITMAP LoadBitmapFile(const std::wstring& path)
{
    return static_cast<HBITMAP>(
        ::LoadImageW(::GetModuleHandleW(nullptr), path.c_str(), IMAGE_BITMAP, 0, 0, kFileLoadFlags));
}
}  // namespace

CSkinCache& CSkinCache::GetInstance()
{
    static CSkinCache instance;  // destroyed by the runtime at process exit
    return instance;
}

CSkinCache::CSkinCache()
{
    wchar_t path[MAX_PATH] = {};
    DWORD length = ::GetModuleFileNameW(::GetModuleHandleW(nullptr), path, MAX_PATH);
    std::wstring module(path, length < MAX_PATH ? length : MAX_PATH - 1);
    size_t slash = module.find_last_of(L'\\');
    m_moduleDir = slash == std::wstring::npos ? std::wstring() : module.substr(0, slash);
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

void CSkinCache::FreeNamedIcon(const std::wstring& name)
{
    auto found = m_iconsByName.find(LowerName(name));
    if (found == m_iconsByName.end())
        return;
    ::DestroyIcon(found->second.handle);
    m_iconsByName.erase(found);
}
