// protoinst: installs the Corvane LLC2 network protocol by walking the Network control panel,
// with a progress window of its own. The whole run happens in the initialisation.
#include "Application.h"
#include "DiskPath.h"
#include "ProgressFrame.h"
#include "ProtocolInstaller.h"
#include "SystemWorld.h"

namespace {

// Only Windows NT 4.0's control panel is known; elsewhere the program ends at once with this code
// and touches no other program's windows.
const int kNoInstallerForThisWindows = 1;

class CProtoinstApp : public CApplication {
public:
    explicit CProtoinstApp(int showCommand) : m_showCommand(showCommand) {}
    bool InitInstance() override;

private:
    int m_showCommand;
    CString m_diskPath;
};

bool CProtoinstApp::InitInstance()
{
    CProgressFrame* frame = new CProgressFrame(Instance()); // lives for the rest of the run
    SetMainWindow(frame->Handle());
    frame->CenterAndShow(m_showCommand);

    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExA(&version);
    if (version.dwMajorVersion != 4) {
        PostQuitMessage(kNoInstallerForThisWindows);
        return true;
    }
    CSystemWorld world(frame->ProgressBar());
    CNt4ProtocolInstaller installer(world);
    m_diskPath = DetermineDiskPath(GetCommandLineA(), world);
    int result = installer.Install(m_diskPath);
    // The full bar stays in view a second before the window goes.
    Sleep(1000);
    PostQuitMessage(result);
    return true;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int showCommand)
{
    CProtoinstApp app(showCommand);
    return app.Run(instance, commandLine);
}
