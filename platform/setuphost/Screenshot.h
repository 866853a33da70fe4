// Saves what a window shows on the screen as a 24-bit BMP file.
#pragma once

#include <windows.h>

bool SaveWindowBitmap(HWND window, const char* path);
