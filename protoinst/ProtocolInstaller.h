// Installs the protocol for one version of Windows; the result is the program's exit code.
#pragma once

#include "CString.h"
#include "HelperWorld.h"

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
    explicit CNt4ProtocolInstaller(CHelperWorld& world) : m_world(world) {}
    int Install(const CString& diskPath) override;

private:
    CHelperWorld& m_world;
};

// The command line that opens the Network control panel, from the system folder.
CString ControlPanelCommandLine(const CString& systemDirectory);
