#pragma once
// CSkinCache: the one place where skin images are loaded. Each image is read from disk once per
// process; every caller asking for the same name gets the same handle, which stays the cache's.
#include <windows.h>

#include <map>
#include <string>

class CSkinCache {
public:
    // The process-wide cache, created on first use and destroyed at process exit.
    static CSkinCache& GetInstance();

    // A separate cache is only made by tests; the program uses GetInstance.
    CSkinCache();
    ~CSkinCache();
    CSkinCache(const CSkinCache&) = delete;
    CSkinCache& operator=(const CSkinCache&) = delete;

    // Loads a bitmap file; a relative name is looked up against the current directory, then
    // against the program's folder. Null when it fails.
    HBITMAP LoadSkinBitmap(std::wstring name);
    // The program's folder, a backslash and the "SkinPath" value of the name in skin.ini.
    std::wstring GetSkinFilePath(const std::wstring& name) const;
    HBITMAP LoadNamedBitmap(const std::wstring& name, SIZE& size);
    HICON LoadNamedIcon(const std::wstring& name, int cx, int cy);
    void FreeNamedBitmap(const std::wstring& name);

    const std::wstring& ModuleDir() const { return m_moduleDir; }

    // Keys differ only by letter case when they name one image.
    static std::wstring LowerName(std::wstring name);
    // The debugger line written for each loaded file.
    static std::wstring TraceLine(const std::wstring& name, const void* handle);

private:
    struct NamedBitmap {
        HBITMAP handle;
        int width;
        int height;
    };
    struct NamedIcon {
        HICON handle;
        int width;
        int height;
    };

    std::wstring ReadSkinPath(const std::wstring& lowerName) const;
    void ReleaseAll() noexcept;

    std::map<std::wstring, NamedBitmap> m_bitmapsByName;
    std::map<std::wstring, NamedIcon> m_iconsByName;
    std::wstring m_moduleDir;
    std::wstring m_iniPath;
    std::map<std::wstring, HBITMAP> m_bitmapsByFile;
};
