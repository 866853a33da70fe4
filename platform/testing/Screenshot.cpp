#include "Screenshot.h"

#include "UniqueHandle.h"

bool SaveWindowBitmap(HWND window, const char* path)
{
    // The window rectangle takes in the title bar and the frame, which Wine draws itself in its
    // virtual desktop (with no window manager under Xvfb they would be left blank).
    RECT r;
    GetWindowRect(window, &r);
    return SaveScreenBitmap(r, path);
}

bool SaveScreenBitmap(const RECT& r, const char* path)
{
    int width = r.right - r.left, height = r.bottom - r.top;
    if (width <= 0 || height <= 0)
        return false;
    HDC screen = GetDC(nullptr);
    CMemoryDc memory(CreateCompatibleDC(screen));
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    CGdiObject bitmap(CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!memory || !bitmap) {
        ReleaseDC(nullptr, screen);
        return false;
    }
    HGDIOBJ old = SelectObject(memory.Get(), bitmap.Get());
    BitBlt(memory.Get(), 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    DWORD stride = ((width * 3 + 3) / 4) * 4;
    DWORD imageBytes = stride * height;
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info.bmiHeader;
    file.bfSize = file.bfOffBits + imageBytes;
    bool ok = false;
    HANDLE out = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (out != INVALID_HANDLE_VALUE) {
        DWORD wrote = 0;
        ok = WriteFile(out, &file, sizeof file, &wrote, nullptr) &&
             WriteFile(out, &info.bmiHeader, sizeof info.bmiHeader, &wrote, nullptr) &&
             WriteFile(out, bits, imageBytes, &wrote, nullptr);
        CloseHandle(out);
    }
    SelectObject(memory.Get(), old); // the bitmap is deleted unselected
    ReleaseDC(nullptr, screen);
    return ok;
}
