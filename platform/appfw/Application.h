// The application object: one per program. Its initialisation may do the program's whole work;
// returning false from it ends the program without a message loop.
#pragma once

#include <windows.h>

class CApplication {
public:
    virtual ~CApplication() = default;
    virtual bool InitInstance() = 0;
    virtual int ExitInstance() { return 0; }

    HINSTANCE Instance() const { return m_instance; }
    // The text that follows the program name on the command line.
    const char* CommandLine() const { return m_commandLine; }
    HWND MainWindow() const { return m_mainWindow; }
    void SetMainWindow(HWND window) { m_mainWindow = window; }

    // Called from WinMain: initialisation, then the message loop only if it asked for one.
    int Run(HINSTANCE instance, const char* commandLine);

private:
    HINSTANCE m_instance = nullptr;
    const char* m_commandLine = "";
    HWND m_mainWindow = nullptr;
};
