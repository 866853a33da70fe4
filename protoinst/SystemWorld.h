// The helper's world as it is: the system's control program, the windows on the screen, the
// clock, the progress window's bar and the speaker.
#pragma once

#include "HelperWorld.h"

class CSystemWorld final : public CHelperWorld {
public:
    explicit CSystemWorld(HWND progressBar) : m_progressBar(progressBar) {}

    void StartControlPanel() override;
    HWND FindPanelWindow(PanelWindow kind) override;
    HWND CurrentPage(HWND sheet) override;
    bool IsControlEnabled(HWND window, int controlId) override;
    void Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
    bool SendText(HWND window, int controlId, const char* text) override;
    void Pause(DWORD ms) override;
    void AdvanceProgress(int increment) override;
    void Beep() override;

private:
    HWND m_progressBar;
};
