// setuphost: the setup host's side of the web-server page, for tests and pictures. Loads
// pickpanel.dll, creates the page from its template 13029, calls DisableDialogControls with the
// four flags, and reports the page or saves a picture of it.
//   setuphost [--dll PATH] [--disable F1 F2 F3 F4] [--report] [--screenshot FILE.bmp]
#include "Screenshot.h"
#include "pickpanel.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {


INT_PTR CALLBACK PageProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

void Pump(DWORD milliseconds)
{
    DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        Sleep(20);
    }
}

void Report(HWND page)
{
    char text[1024];
    GetWindowTextA(page, text, sizeof text);
    std::printf("caption: %s\n", text);
    RECT unit = {0, 0, 4, 8};
    MapDialogRect(page, &unit);
    for (HWND child = GetWindow(page, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char cls[64];
        GetClassNameA(child, cls, sizeof cls);
        GetWindowTextA(child, text, sizeof text);
        RECT r;
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&r), 2);
        std::printf("%d %s style=0x%08lx enabled=%d rect=%ld,%ld,%ld,%ld text=%s\n", GetDlgCtrlID(child), cls,
                    static_cast<unsigned long>(GetWindowLongA(child, GWL_STYLE)), IsWindowEnabled(child) ? 1 : 0,
                    r.left * 4 / unit.right, r.top * 8 / unit.bottom, (r.right - r.left) * 4 / unit.right,
                    (r.bottom - r.top) * 8 / unit.bottom, text);
    }
}

} // namespace

int main(int argc, char** argv)
{
    const char* dll = "pickpanel.dll";
    const char* screenshot = nullptr;
    int flags[4] = {0, 0, 0, 0};
    bool report = false;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--dll") && i + 1 < argc)
            dll = argv[++i];
        else if (!std::strcmp(argv[i], "--disable") && i + 4 < argc)
            for (int f = 0; f < 4; ++f)
                flags[f] = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--report"))
            report = true;
        else if (!std::strcmp(argv[i], "--screenshot") && i + 1 < argc)
            screenshot = argv[++i];
    }
    HMODULE library = LoadLibraryA(dll);
    if (!library) {
        std::fprintf(stderr, "setuphost: cannot load %s\n", dll);
        return 1;
    }
    auto disable = reinterpret_cast<DisableDialogControlsProc>(
        reinterpret_cast<void*>(GetProcAddress(library, kDisableDialogControlsName)));
    HWND page = CreateDialogParamA(library, MAKEINTRESOURCEA(13029), nullptr, PageProc, 0);
    if (!disable || !page) {
        std::fprintf(stderr, "setuphost: no DisableDialogControls or no page 13029\n");
        return 1;
    }
    int result = disable(page, flags[0], flags[1], flags[2], flags[3]);
    std::printf("DisableDialogControls -> %d\n", result);
    SetWindowPos(page, HWND_TOP, 20, 20, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    // The page is the setup's active window. Wine can leave the title bar of a page activated
    // as it was made drawn inactive (seen here), so the title bar is told again.
    SetForegroundWindow(page);
    SendMessageA(page, WM_NCACTIVATE, TRUE, 0);
    Pump(500);
    if (report)
        Report(page);
    if (screenshot && !SaveWindowBitmap(page, screenshot)) {
        std::fprintf(stderr, "setuphost: cannot save %s\n", screenshot);
        return 1;
    }
    DestroyWindow(page);
    FreeLibrary(library);
    return 0;
}
