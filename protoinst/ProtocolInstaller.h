// Installs the protocol for one version of Windows; the result is the program's exit code.
#pragma once

#include "CString.h"

#include <windows.h>

class CProtocolInstaller {
public:
    virtual int Install(const CString& diskPath) = 0;

protected:
    ~CProtocolInstaller() = default;
};

// Windows NT 4.0: walks the Network control panel's dialogs as a person adding a protocol from a
// manufacturer's disk would, advancing the progress bar after each step.
class CNt4ProtocolInstaller final : public CProtocolInstaller {
public:
    explicit CNt4ProtocolInstaller(HWND progressBar) : m_progressBar(progressBar) {}
    int Install(const CString& diskPath) override;

private:
    HWND m_progressBar;
};

// The control-panel windows of the sequence, told apart by the control ids they contain.
enum class PanelWindow { NetworkSheet, ProtocolList, DiskPrompt, OemOption, RestartQuestion, Count };

// True when the window has a child with each id of its kind, tested in order.
bool PassesRecognition(HWND window, PanelWindow kind);

// The command line that opens the Network control panel, from the system folder.
CString ControlPanelCommandLine(const CString& systemDirectory);
