#include "DialogWatch.h"

namespace {

struct Search {
    const char* caption;
    HWND found;
};

BOOL CALLBACK MatchCaption(HWND window, LPARAM param)
{
    Search* search = reinterpret_cast<Search*>(param);
    char text[256];
    if (IsWindowVisible(window) && GetWindowTextA(window, text, sizeof text) > 0 && lstrcmpA(text, search->caption) == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

} // namespace

HWND WaitForWindow(const char* caption, DWORD limitMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        Search search = {caption, nullptr};
        EnumWindows(MatchCaption, reinterpret_cast<LPARAM>(&search));
        if (search.found)
            return search.found;
        if (GetTickCount() - start > limitMs)
            return nullptr;
        Sleep(50);
    }
}

void PostButtonClick(HWND dialog, int id)
{
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void PostKey(HWND control, WPARAM key)
{
    UINT scan = MapVirtualKeyA(static_cast<UINT>(key), 0);
    PostMessageA(control, WM_KEYDOWN, key, 1 | (scan << 16));
    PostMessageA(control, WM_KEYUP, key, 1 | (scan << 16) | (3u << 30));
}

std::string MessageBoxText(HWND box)
{
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char cls[32];
        char text[1024];
        GetClassNameA(child, cls, sizeof cls);
        if (lstrcmpiA(cls, "Static") == 0 && GetWindowTextA(child, text, sizeof text) > 0)
            return text;
    }
    return std::string();
}
