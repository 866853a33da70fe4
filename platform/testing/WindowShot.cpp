// windowshot: waits for a top-level window with the caption, saves a picture of it as BMP, then
// closes it with the command of the given button (0: leave it open). With --area, waits for every
// named window and saves the part of the screen that covers them all, with a margin of what lies
// around them, as they overlap there (one program's window over another's).
//   windowshot CAPTION FILE.bmp [BUTTON-ID]
//   windowshot --area FILE.bmp MARGIN CAPTION...
#include "DialogWatch.h"
#include "Screenshot.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// A shown window only: a program may keep hidden windows with the same caption.
HWND WaitForShownWindow(const char* caption)
{
    HWND window = WaitForWindow(caption);
    if (!window)
        std::fprintf(stderr, "windowshot: no window \"%s\"\n", caption);
    return window;
}

int SaveOne(int argc, char** argv)
{
    HWND window = WaitForShownWindow(argv[1]);
    if (!window)
        return 1;
    SetForegroundWindow(window);
    Sleep(700);
    bool saved = SaveWindowBitmap(window, argv[2]);
    if (argc > 3)
        PostMessageA(window, WM_COMMAND, MAKEWPARAM(std::atoi(argv[3]), BN_CLICKED), 0);
    return saved ? 0 : 1;
}

int SaveArea(int argc, char** argv)
{
    const char* path = argv[2];
    int margin = std::atoi(argv[3]);
    RECT area = {};
    for (int i = 4; i < argc; ++i) {
        HWND window = WaitForShownWindow(argv[i]);
        if (!window)
            return 1;
        RECT r;
        GetWindowRect(window, &r);
        if (IsRectEmpty(&area))
            area = r;
        else
            UnionRect(&area, &area, &r);
    }
    // The windows settle (a dialog the panel just opened paints) before the picture.
    Sleep(700);
    InflateRect(&area, margin, margin);
    RECT screen;
    GetWindowRect(GetDesktopWindow(), &screen);
    IntersectRect(&area, &area, &screen);
    return SaveScreenBitmap(area, path) ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 4 && !std::strcmp(argv[1], "--area"))
        return SaveArea(argc, argv);
    if (argc < 3 || argv[1][0] == '-') {
        std::fprintf(stderr, "usage: windowshot CAPTION FILE.bmp [BUTTON-ID]\n"
                             "       windowshot --area FILE.bmp MARGIN CAPTION...\n");
        return 2;
    }
    return SaveOne(argc, argv);
}
