// The helper's progress window: a caption, a message and a progress bar (id 666), shown while the
// control panel is walked. It handles no message of its own.
#pragma once

#include <windows.h>

class CProgressFrame {
public:
    explicit CProgressFrame(HINSTANCE instance);
    HWND Handle() const { return m_frame; }
    HWND ProgressBar() const { return m_progress; }
    void CenterAndShow(int showCommand);

    static const int kProgressBarId = 666;

private:
    HWND m_frame;
    HWND m_progress;
};
