// windowshot: waits for a top-level window with the caption, saves a picture of it as BMP, then
// closes it with the command of the given button (0: leave it open).
//   windowshot CAPTION FILE.bmp [BUTTON-ID]
#include "Screenshot.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: windowshot CAPTION FILE.bmp [BUTTON-ID]\n");
        return 2;
    }
    HWND window = nullptr;
    for (int attempt = 0; attempt < 200 && !window; ++attempt) {
        window = FindWindowA(nullptr, argv[1]);
        if (!window)
            Sleep(50);
    }
    if (!window) {
        std::fprintf(stderr, "windowshot: no window \"%s\"\n", argv[1]);
        return 1;
    }
    SetForegroundWindow(window);
    Sleep(700);
    bool saved = SaveWindowBitmap(window, argv[2]);
    if (argc > 3)
        PostMessageA(window, WM_COMMAND, MAKEWPARAM(std::atoi(argv[3]), BN_CLICKED), 0);
    return saved ? 0 : 1;
}
