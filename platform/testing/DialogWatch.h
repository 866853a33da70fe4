// Finding and driving a modal window from outside its message loop, as a person would: every
// wait has a time limit.
#pragma once

#include <string>
#include <windows.h>

// The first visible top-level window with this caption, waiting up to the limit; null if none.
HWND WaitForWindow(const char* caption, DWORD limitMs = 10000);
// Posts a button click of a dialog's control, as its notification reaches the dialog.
void PostButtonClick(HWND dialog, int id);
// Posts a key press (down and up) to a control, for the dialog manager to translate.
void PostKey(HWND control, WPARAM key);

// The text of a message box (its static text control), or empty.
std::string MessageBoxText(HWND box);
