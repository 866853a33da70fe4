// Saves what the screen shows, a window or an area of it, as a 24-bit BMP file.
#pragma once

#include <windows.h>

// The window as it shows on the screen, title bar and frame included.
bool SaveWindowBitmap(HWND window, const char* path);

// An area of the screen, in screen coordinates, with whatever windows overlap there.
bool SaveScreenBitmap(const RECT& area, const char* path);
