// Everything the protocol helper does to the world outside itself: it starts the control
// program, finds the panel's windows, tells them what to do, gives them time, advances its own
// progress bar and beeps. The walk and the disk path decide; an implementation of this acts.
#pragma once

#include <windows.h>

// The control-panel windows of the sequence, told apart by the control ids they contain; None is
// no window at all (a step that waits for nothing).
enum class PanelWindow { None, NetworkSheet, ProtocolList, DiskPrompt, OemOption, RestartQuestion };

class CHelperWorld {
public:
    // Opens the Network control panel in a process of its own.
    virtual void StartControlPanel() = 0;
    // One look over the top-level windows: the first, in their order on the screen, that passes
    // recognition as `kind`; null when none does.
    virtual HWND FindPanelWindow(PanelWindow kind) = 0;
    // The page a property sheet shows: its topmost child.
    virtual HWND CurrentPage(HWND sheet) = 0;
    virtual bool IsControlEnabled(HWND window, int controlId) = 0;
    virtual void Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam) = 0;
    // Sets the text of a control of the window; true when the control took it.
    virtual bool SendText(HWND window, int controlId, const char* text) = 0;
    virtual void Pause(DWORD ms) = 0;
    virtual void AdvanceProgress(int increment) = 0;
    virtual void Beep() = 0;

protected:
    ~CHelperWorld() = default;
};
