// Helper for the end-to-end tests of ravlin.exe, which drive the real program with xdotool.
//
//   e2e_helper scene <left> <top> <width> <height>
//     shows a moving scene there (a white square sliding over colour bars, one step every
//     40 ms) until stdin closes; prints "ready" once it is on screen. A line "stop" on stdin
//     holds the square still, "go" moves it again.
//   e2e_helper probe
//     answers one command per stdin line, each answer ending with a line "end":
//       windows            visible top-level windows: "<hwnd> <pid> <class>|<title>|<window>|<client>"
//                          (rectangles as "l t r b" in screen coordinates)
//       children <hwnd>    its controls: "<id> <enabled> <visible> <checked> <class>|<text>|<l t r b>"
//       close <hwnd>       posts WM_CLOSE (to end a file manager window the program opened)
//       gdi <pid>          "<gdi objects> <pagefile bytes> <working set bytes>"
//       gdi-selftest       "<before> <with 100 more bitmaps> <after deleting them>"
//       holdkey <vk> <mod> registers that global key itself (as another program would):
//                          "held" or "refused"; "freekey" lets it go
//       keys <hwnd>        its hotkey controls' values: "<id> <value>" (virtual key | flags << 8)
//       version <path>     "<ProductName>|<FileDescription>|<FileVersion>|<icons in the file>"
//       clipboard          the files of a file drop on the clipboard, "file <path>" each,
//                          then "effect <preferred drop effect or -1>"
//       holdclipboard      opens the clipboard and keeps it open (as a busy program would):
//                          "held" or "refused"; "freeclipboard" closes it
//       holdwrites <name>  makes (or clears) the event that a program started with
//                          RAVLIN_HOLD_WRITES=<name> waits for before each write of a recording:
//                          "held" or "refused"; "freewrites" sets it, and every held write goes on
//   e2e_helper droptarget <left> <top> <width> <height>
//     shows a window there that takes file drops by OLE drag and drop, as a chat or a mail
//     program does; prints "ready", then "dropped <path>" for each file of each drop (CF_HDROP),
//     until stdin closes.
//   e2e_helper hold
//     keeps a window on the desktop until stdin closes, so that Wine's desktop process stays up
//     between test programs (it ends when the last one goes, and the next program to release a
//     cursor clip then touches the ended process's window and dies of an X error).
// Handles are printed and read in decimal.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>
#include <psapi.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::string Utf8(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                         nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
    for (char& c : out)
        if (c == '\n' || c == '\r')
            c = ' ';
    return out;
}

std::wstring TextOf(HWND hwnd)
{
    wchar_t text[512] = {};
    // WM_GETTEXT is carried across processes; GetWindowText is not for another process's controls.
    SendMessageTimeoutW(hwnd, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, nullptr);
    return text;
}

std::wstring ClassOf(HWND hwnd)
{
    wchar_t name[256] = {};
    GetClassNameW(hwnd, name, 256);
    return name;
}

void Out(const std::string& line)
{
    std::fputs((line + "\n").c_str(), stdout);
}

std::string RectText(HWND hwnd)
{
    RECT r{};
    GetWindowRect(hwnd, &r);
    char rect[96];
    std::snprintf(rect, sizeof(rect), "%ld %ld %ld %ld", static_cast<long>(r.left), static_cast<long>(r.top),
                  static_cast<long>(r.right), static_cast<long>(r.bottom));
    return rect;
}

BOOL CALLBACK ListTopLevel(HWND hwnd, LPARAM)
{
    if (!IsWindowVisible(hwnd))
        return TRUE;
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    RECT client{};
    GetClientRect(hwnd, &client);
    MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
    char clientText[96];
    std::snprintf(clientText, sizeof(clientText), "%ld %ld %ld %ld", static_cast<long>(client.left),
                  static_cast<long>(client.top), static_cast<long>(client.right), static_cast<long>(client.bottom));
    Out(std::to_string(reinterpret_cast<uintptr_t>(hwnd)) + " " + std::to_string(pid) + " " + Utf8(ClassOf(hwnd)) +
        "|" + Utf8(TextOf(hwnd)) + "|" + RectText(hwnd) + "|" + clientText);
    return TRUE;
}

BOOL CALLBACK ListChild(HWND hwnd, LPARAM)
{
    const int id = GetDlgCtrlID(hwnd);
    const LRESULT checked = SendMessageW(hwnd, BM_GETCHECK, 0, 0);
    Out(std::to_string(id) + " " + std::to_string(IsWindowEnabled(hwnd) ? 1 : 0) + " " +
        std::to_string(IsWindowVisible(hwnd) ? 1 : 0) + " " + std::to_string(static_cast<int>(checked)) + " " +
        Utf8(ClassOf(hwnd)) + "|" + Utf8(TextOf(hwnd)) + "|" + RectText(hwnd));
    return TRUE;
}

HWND HandleFrom(const std::string& text)
{
    return reinterpret_cast<HWND>(static_cast<uintptr_t>(std::strtoull(text.c_str(), nullptr, 10)));
}

// GetGuiResources is a stub under Wine, so the count comes from gdi_count.dll (beside this
// program), loaded into the process by a remote thread; its counting function then runs there
// on a second remote thread, whose exit code is the count. -1 when any step fails.
std::wstring CounterDll()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dll(path);
    return dll.substr(0, dll.find_last_of(L'\\') + 1) + L"gdi_count.dll";
}

bool RunRemote(HANDLE process, void* start, void* argument, DWORD* result)
{
    HANDLE thread = CreateRemoteThread(process, nullptr, 0, reinterpret_cast<LPTHREAD_START_ROUTINE>(start),
                                       argument, 0, nullptr);
    if (!thread)
        return false;
    const bool done = WaitForSingleObject(thread, 30000) == WAIT_OBJECT_0 && GetExitCodeThread(thread, result);
    CloseHandle(thread);
    return done;
}

long RemoteGdiCount(HANDLE process)
{
    if (sizeof(void*) != 4)
        return -1;  // a thread's exit code cannot carry a 64-bit module address
    const std::wstring dll = CounterDll();
    HMODULE local = LoadLibraryW(dll.c_str());
    if (!local)
        return -1;
    const auto offset = reinterpret_cast<const char*>(GetProcAddress(local, "CountGdiObjects@4")) -
                        reinterpret_cast<const char*>(local);
    const size_t bytes = (dll.size() + 1) * sizeof(wchar_t);
    void* name = VirtualAllocEx(process, nullptr, bytes, MEM_COMMIT, PAGE_READWRITE);
    DWORD remoteBase = 0;
    DWORD count = 0;
    bool ok = name && WriteProcessMemory(process, name, dll.c_str(), bytes, nullptr) &&
              RunRemote(process, reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"),
                                                                       "LoadLibraryW")),
                        name, &remoteBase) &&
              remoteBase != 0 && offset > 0 &&
              RunRemote(process, reinterpret_cast<char*>(static_cast<UINT_PTR>(remoteBase)) + offset, nullptr, &count);
    if (name)
        VirtualFreeEx(process, name, 0, MEM_RELEASE);
    return ok ? static_cast<long>(count) : -1;
}

long WineGdiCount(HANDLE process)
{
    return RemoteGdiCount(process);
}

// Checks the counting on this process: 100 new bitmaps must show as 100 more objects.
void GdiSelfTest()
{
    HANDLE self = OpenProcess(PROCESS_ALL_ACCESS, FALSE, GetCurrentProcessId());
    const long before = WineGdiCount(self);
    std::vector<HBITMAP> bitmaps;
    HDC screen = GetDC(nullptr);
    for (int i = 0; i < 100; ++i)
        bitmaps.push_back(CreateCompatibleBitmap(screen, 4, 4));
    const long during = WineGdiCount(self);
    for (HBITMAP b : bitmaps)
        DeleteObject(b);
    const long after = WineGdiCount(self);
    ReleaseDC(nullptr, screen);
    CloseHandle(self);
    Out(std::to_string(before) + " " + std::to_string(during) + " " + std::to_string(after));
}

void ProcessFigures(DWORD pid)
{
    HANDLE process = OpenProcess(PROCESS_ALL_ACCESS, FALSE, pid);
    if (!process) {
        Out("error");
        return;
    }
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof(memory);
    GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof(memory));
    Out(std::to_string(WineGdiCount(process)) + " " + std::to_string(memory.PagefileUsage) + " " +
        std::to_string(memory.WorkingSetSize));
    CloseHandle(process);
}

void HoldKey(const std::string& argument)
{
    UnregisterHotKey(nullptr, 1);
    char* rest = nullptr;
    const UINT vk = static_cast<UINT>(std::strtoul(argument.c_str(), &rest, 10));
    const UINT modifiers = static_cast<UINT>(std::strtoul(rest, nullptr, 10));
    Out(RegisterHotKey(nullptr, 1, modifiers, vk) ? "held" : "refused");
}

std::wstring Widen(const std::string& text)
{
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    std::wstring out(static_cast<size_t>(size > 0 ? size : 1), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, out.data(), size);
    out.resize(wcslen(out.c_str()));
    return out;
}

// The event held recordings wait for; the probe keeps it until it ends.
HANDLE g_writeGate = nullptr;

void HoldWrites(const std::string& name)
{
    if (g_writeGate)
        ResetEvent(g_writeGate);
    else
        g_writeGate = CreateEventW(nullptr, TRUE, FALSE, Widen(name).c_str());
    Out(g_writeGate ? "held" : "refused");
}

void PrintVersion(const std::string& argument)
{
    const std::wstring path = Widen(argument);
    DWORD ignored = 0;
    std::vector<char> data(GetFileVersionInfoSizeW(path.c_str(), &ignored) + 1);
    std::string line;
    const wchar_t* names[] = {L"ProductName", L"FileDescription", L"FileVersion"};
    const bool read = GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(data.size()), data.data());
    for (const wchar_t* name : names) {
        wchar_t* value = nullptr;
        UINT length = 0;
        const std::wstring key = std::wstring(L"\\StringFileInfo\\080404b0\\") + name;
        if (read && VerQueryValueW(data.data(), key.c_str(), reinterpret_cast<void**>(&value), &length) && value)
            line += Utf8(value);
        line += "|";
    }
    Out(line + std::to_string(ExtractIconExW(path.c_str(), -1, nullptr, nullptr, 0)));
}

BOOL CALLBACK ListHotkeyControl(HWND hwnd, LPARAM)
{
    if (lstrcmpiW(ClassOf(hwnd).c_str(), L"msctls_hotkey32") == 0)
        Out(std::to_string(GetDlgCtrlID(hwnd)) + " " + std::to_string(SendMessageW(hwnd, HKM_GETHOTKEY, 0, 0) & 0xFFFF));
    return TRUE;
}

void ListClipboard()
{
    if (!OpenClipboard(nullptr))
        return;
    if (HANDLE drop = GetClipboardData(CF_HDROP)) {
        const UINT count = DragQueryFileW(static_cast<HDROP>(drop), 0xFFFFFFFF, nullptr, 0);
        for (UINT i = 0; i < count; ++i) {
            wchar_t path[MAX_PATH] = {};
            DragQueryFileW(static_cast<HDROP>(drop), i, path, MAX_PATH);
            Out("file " + Utf8(path));
        }
    }
    long effect = -1;
    if (HANDLE data = GetClipboardData(RegisterClipboardFormatW(CFSTR_PREFERREDDROPEFFECT))) {
        if (const DWORD* value = static_cast<const DWORD*>(GlobalLock(data))) {
            effect = static_cast<long>(*value);
            GlobalUnlock(data);
        }
    }
    Out("effect " + std::to_string(effect));
    CloseClipboard();
}

int Probe()
{
    char line[512];
    while (std::fgets(line, sizeof(line), stdin)) {
        std::string command(line);
        while (!command.empty() && (command.back() == '\n' || command.back() == '\r'))
            command.pop_back();
        const size_t space = command.find(' ');
        const std::string verb = command.substr(0, space);
        const std::string argument = space == std::string::npos ? std::string() : command.substr(space + 1);
        if (verb == "windows")
            EnumWindows(ListTopLevel, 0);
        else if (verb == "children")
            EnumChildWindows(HandleFrom(argument), ListChild, 0);
        else if (verb == "close")
            PostMessageW(HandleFrom(argument), WM_CLOSE, 0, 0);
        else if (verb == "gdi")
            ProcessFigures(static_cast<DWORD>(std::strtoul(argument.c_str(), nullptr, 10)));
        else if (verb == "gdi-selftest")
            GdiSelfTest();
        else if (verb == "holdkey")
            HoldKey(argument);
        else if (verb == "freekey")
            UnregisterHotKey(nullptr, 1);
        else if (verb == "clipboard")
            ListClipboard();
        else if (verb == "holdclipboard")
            Out(OpenClipboard(nullptr) ? "held" : "refused");
        else if (verb == "freeclipboard")
            CloseClipboard();
        else if (verb == "holdwrites")
            HoldWrites(argument);
        else if (verb == "freewrites")
            SetEvent(g_writeGate);
        else if (verb == "keys")
            EnumChildWindows(HandleFrom(argument), ListHotkeyControl, 0);
        else if (verb == "version")
            PrintVersion(argument);
        else if (verb == "quit")
            break;
        Out("end");
        std::fflush(stdout);
    }
    return 0;
}

// The scene: colour bars with a white square that moves one step per tick.
int g_step = 0;
HWND g_scene = nullptr;
// The busy scene: a photo-like picture (gradients with grain) that drifts one step per tick, so
// that every frame has far more than 256 colours and changes nearly everywhere.
bool g_busy = false;
constexpr UINT kSceneHold = WM_APP + 1;  // wParam: 1 holds the square still, 0 moves it

void PaintBusy(HDC dc, int width, int height)
{
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
    uint32_t grain = 12345u + static_cast<uint32_t>(g_step);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            grain = grain * 1103515245u + 12345u;
            const int noise = static_cast<int>((grain >> 16) & 15) - 8;
            const int u = x + g_step * 3, v = y + g_step;
            const auto clamp = [](int c) { return static_cast<uint32_t>(c < 0 ? 0 : c > 255 ? 255 : c); };
            const uint32_t r = clamp((u * 255) / (width + 1) % 256 + noise);
            const uint32_t g = clamp((v * 255) / (height + 1) % 256 + noise);
            const uint32_t b = clamp(((u + v) / 2) % 256 + noise);
            pixels[static_cast<size_t>(y) * width + x] = (r << 16) | (g << 8) | b;
        }
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    SetDIBitsToDevice(dc, 0, 0, width, height, 0, 0, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
}

LRESULT CALLBACK SceneProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_TIMER:
        ++g_step;
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    case kSceneHold:
        if (wParam)
            KillTimer(hwnd, 1);
        else
            SetTimer(hwnd, 1, 40, nullptr);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(hwnd, &paint);
        RECT client;
        GetClientRect(hwnd, &client);
        if (g_busy) {
            PaintBusy(dc, client.right, client.bottom);
            EndPaint(hwnd, &paint);
            return 0;
        }
        const COLORREF bars[] = {RGB(200, 30, 30), RGB(30, 160, 30), RGB(30, 30, 200), RGB(220, 200, 20)};
        const int barWidth = (client.right + 3) / 4;
        for (int i = 0; i < 4; ++i) {
            RECT bar{i * barWidth, 0, (i + 1) * barWidth, client.bottom};
            HBRUSH brush = CreateSolidBrush(bars[i]);
            FillRect(dc, &bar, brush);
            DeleteObject(brush);
        }
        const int size = client.bottom / 3;
        const int travel = client.right - size > 0 ? client.right - size : 1;
        const int x = (g_step * 8) % (2 * travel);
        const int left = x < travel ? x : 2 * travel - x;
        RECT square{left, size, left + size, 2 * size};
        FillRect(dc, &square, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        EndPaint(hwnd, &paint);
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

// Ends the scene once its input closes, without hiding the window first: on a display with no
// window manager Wine waits two seconds for one to acknowledge each window it hides.
DWORD WINAPI ExitAtStdinEnd(void*)
{
    char line[64];
    while (std::fgets(line, sizeof(line), stdin)) {
        if (g_scene && std::strncmp(line, "stop", 4) == 0)
            PostMessageW(g_scene, kSceneHold, 1, 0);
        else if (g_scene && std::strncmp(line, "go", 2) == 0)
            PostMessageW(g_scene, kSceneHold, 0, 0);
    }
    ExitProcess(0);
}

// Says "ready", then runs the window's messages until stdin closes (which ends the process).
int ServeUntilStdinEnds()
{
    Out("ready");
    std::fflush(stdout);
    CloseHandle(CreateThread(nullptr, 0, ExitAtStdinEnd, nullptr, 0, nullptr));
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}

int Scene(int left, int top, int width, int height)
{
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = SceneProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"RavlinE2EScene";
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    RegisterClassW(&windowClass);
    HWND hwnd = CreateWindowExW(WS_EX_TOOLWINDOW, L"RavlinE2EScene", L"scene", WS_POPUP | WS_VISIBLE, left, top, width,
                                height, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (!hwnd)
        return 1;
    g_scene = hwnd;
    SetTimer(hwnd, 1, 40, nullptr);
    UpdateWindow(hwnd);
    return ServeUntilStdinEnds();
}

// Takes a drop of files: asks the data for a file drop and prints its names.
class CFileDropTarget : public IDropTarget {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** out) override
    {
        if (id == IID_IUnknown || id == IID_IDropTarget) {
            *out = static_cast<IDropTarget*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD, POINTL, DWORD* effect) override
    {
        FORMATETC drop{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        m_files = data->QueryGetData(&drop) == S_OK;
        *effect = m_files ? DROPEFFECT_COPY : DROPEFFECT_NONE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL, DWORD* effect) override
    {
        *effect = m_files ? DROPEFFECT_COPY : DROPEFFECT_NONE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragLeave() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) override
    {
        FORMATETC drop{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        STGMEDIUM medium{};
        *effect = DROPEFFECT_NONE;
        if (data->GetData(&drop, &medium) != S_OK)
            return S_OK;
        HDROP files = static_cast<HDROP>(medium.hGlobal);
        const UINT count = DragQueryFileW(files, 0xFFFFFFFF, nullptr, 0);
        for (UINT i = 0; i < count; ++i) {
            wchar_t name[MAX_PATH * 2] = {};
            DragQueryFileW(files, i, name, MAX_PATH * 2);
            Out("dropped " + Utf8(name));
        }
        std::fflush(stdout);
        ReleaseStgMedium(&medium);
        *effect = DROPEFFECT_COPY;
        return S_OK;
    }

private:
    bool m_files = false;
};

int DropTarget(int left, int top, int width, int height)
{
    if (FAILED(OleInitialize(nullptr)))
        return 1;
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"RavlinE2EDropTarget";
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    RegisterClassW(&windowClass);
    HWND hwnd = CreateWindowExW(WS_EX_TOOLWINDOW, L"RavlinE2EDropTarget", L"drop target", WS_POPUP | WS_VISIBLE, left,
                                top, width, height, nullptr, nullptr, windowClass.hInstance, nullptr);
    static CFileDropTarget target;
    if (!hwnd || FAILED(RegisterDragDrop(hwnd, &target)))
        return 1;
    return ServeUntilStdinEnds();
}

int Hold()
{
    // A message-only window: on the desktop, yet never shown, never focused, never broadcast to.
    const HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    if (!window)
        return 1;
    while (std::getchar() != EOF) {
    }
    DestroyWindow(window);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "probe")
        return Probe();
    if (mode == "hold")
        return Hold();
    g_busy = mode == "busyscene";
    if ((mode == "scene" || mode == "busyscene") && argc == 6)
        return Scene(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]));
    if (mode == "droptarget" && argc == 6)
        return DropTarget(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]));
    std::fputs("usage: e2e_helper probe | hold | scene|busyscene|droptarget <left> <top> <width> <height>\n", stderr);
    return 2;
}
