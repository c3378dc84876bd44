// Hosts the region overlay for the scripted GUI test: reads one command per line on stdin and
// answers on stdout, while the test drives the mouse and keyboard with real X input.
//
//   show | hide          ShowOverlay(true / false)
//   lock | unlock        LockFrame(true / false)
//   region l t r b       ShowRegion on that rectangle (screen coordinates)
//   state                "state <visible> <maximised> <locked> <capture rect> <client rect> <window rect>"
//                        (rectangles as left top right bottom, screen coordinates)
//   quit
// Every command is answered with one line; "ready" is printed once the overlay exists.
#include "app/resource.h"
#include "region/selection_overlay.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

const UINT kCommandMessage = WM_APP + 1;

void Reply(const std::string& line)
{
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

std::string RectText(const RECT& r)
{
    char text[80];
    std::snprintf(text, sizeof(text), "%ld %ld %ld %ld", static_cast<long>(r.left), static_cast<long>(r.top),
                  static_cast<long>(r.right), static_cast<long>(r.bottom));
    return text;
}

// stdin is read on its own thread; each line reaches the window thread as a posted message to
// a message-only window, which also gets through the system's move and size loops.
DWORD WINAPI ReadCommands(void* target)
{
    HWND hwnd = static_cast<HWND>(target);
    char line[256];
    while (std::fgets(line, sizeof(line), stdin)) {
        auto* command = new std::string(line);
        while (!command->empty() && (command->back() == '\n' || command->back() == '\r'))
            command->pop_back();
        if (!PostMessageW(hwnd, kCommandMessage, 0, reinterpret_cast<LPARAM>(command)))
            delete command;
    }
    PostMessageW(hwnd, kCommandMessage, 0, reinterpret_cast<LPARAM>(new std::string("quit")));
    return 0;
}

CSelectionOverlay* g_overlay = nullptr;

std::string State()
{
    HWND hwnd = g_overlay->GetSafeHwnd();
    RECT client{};
    GetClientRect(hwnd, &client);
    MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
    RECT window{};
    GetWindowRect(hwnd, &window);
    const bool locked = !(GetWindowLongW(hwnd, GWL_STYLE) & WS_THICKFRAME);
    return "state " + std::to_string(IsWindowVisible(hwnd) ? 1 : 0) + " " + std::to_string(IsZoomed(hwnd) ? 1 : 0) +
           " " + std::to_string(locked ? 1 : 0) + " " + RectText(g_overlay->GetCaptureRect()) + " " +
           RectText(client) + " " + RectText(window);
}

LRESULT CALLBACK CommandProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg != kCommandMessage)
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    std::string* command = reinterpret_cast<std::string*>(lParam);
    if (*command == "show") {
        g_overlay->ShowOverlay(true);
        Reply("ok");
    } else if (*command == "hide") {
        g_overlay->ShowOverlay(false);
        Reply("ok");
    } else if (*command == "lock") {
        g_overlay->LockFrame(true);
        Reply("ok");
    } else if (*command == "unlock") {
        g_overlay->LockFrame(false);
        Reply("ok");
    } else if (command->compare(0, 7, "region ") == 0) {
        RECT r{};
        long l = 0, t = 0, rr = 0, b = 0;
        if (std::sscanf(command->c_str() + 7, "%ld %ld %ld %ld", &l, &t, &rr, &b) == 4) {
            r = RECT{l, t, rr, b};
            g_overlay->ShowRegion(r);
            Reply("ok");
        } else {
            Reply("error: region l t r b");
        }
    } else if (*command == "state") {
        Reply(State());
    } else if (*command == "quit") {
        Reply("bye");
        PostQuitMessage(0);
    } else {
        Reply("unknown " + *command);
    }
    delete command;
    return 0;
}

}  // namespace

int main()
{
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = CommandProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = L"RavlinOverlayHarness";
    RegisterClassW(&windowClass);
    HWND commands = CreateWindowW(windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance,
                                  nullptr);

    // The same sequence as the main window's start-up.
    CSelectionOverlay overlay(IDD_CAPTURE, nullptr);
    g_overlay = &overlay;
    if (!overlay.Create()) {
        Reply("error: overlay not created");
        return 1;
    }
    overlay.ShowWindow(SW_MAXIMIZE);
    overlay.ShowWindow(SW_HIDE);
    overlay.SetSelectCursor(LoadCursorW(instance, MAKEINTRESOURCEW(IDC_SELECT_CURSOR)));

    HANDLE reader = CreateThread(nullptr, 0, ReadCommands, commands, 0, nullptr);
    Reply("ready");

    MSG msg{};
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (!CWnd::PreTranslateChain(msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    g_overlay = nullptr;
    if (reader)
        CloseHandle(reader);  // still blocked in fgets; ends with the process
    return 0;
}
