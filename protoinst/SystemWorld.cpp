#include "SystemWorld.h"

#include "PanelControls.h"
#include "ProtocolInstaller.h"
#include "UniqueHandle.h"

#include <commctrl.h>

namespace {

using namespace panel_controls;

struct Recognition {
    PanelWindow kind;
    int ids[5];
};

const Recognition kRecognitions[] = {
    {PanelWindow::NetworkSheet, {IDOK, IDCANCEL, IDHELP, kSheetTabs, kSheetApply}},
    {PanelWindow::ProtocolList, {IDOK, IDCANCEL, kHaveDisk, kProtocolChoices, kProtocolHint}},
    {PanelWindow::DiskPrompt, {kContinue, kStop, kBrowse, kStaticText, kDiskPathField}},
    {PanelWindow::OemOption, {kContinue, kStop, kStaticText, kOptionChoices, kOptionHelp}},
    {PanelWindow::RestartQuestion, {IDYES, IDNO, kRestartLater, kStaticText, kNoId}},
};

// True when the window has a child with each id of its kind, tested in order; never for None.
bool PassesRecognition(HWND window, PanelWindow kind)
{
    for (const Recognition& recognition : kRecognitions) {
        if (recognition.kind != kind)
            continue;
        for (int id : recognition.ids) {
            if (id != kNoId && !GetDlgItem(window, id))
                return false;
        }
        return true;
    }
    return false;
}

struct Search {
    PanelWindow kind;
    HWND found;
};

BOOL CALLBACK TestWindow(HWND window, LPARAM param)
{
    Search* search = reinterpret_cast<Search*>(param);
    if (!PassesRecognition(window, search->kind))
        return TRUE;
    search->found = window;
    return FALSE;
}

} // namespace

void CSystemWorld::StartControlPanel()
{
    char systemDirectory[MAX_PATH] = "";
    GetSystemDirectoryA(systemDirectory, MAX_PATH);
    CString commandLine = ControlPanelCommandLine(CString(systemDirectory));
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    // The panel runs on its own; its handles are not needed.
    CProcessInformation process;
    CreateProcessA(nullptr, commandLine.GetBuffer(commandLine.GetLength()), nullptr, nullptr, FALSE, DETACHED_PROCESS,
                   nullptr, nullptr, &startup, process.Receive());
}

HWND CSystemWorld::FindPanelWindow(PanelWindow kind)
{
    Search search = {kind, nullptr};
    EnumWindows(TestWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND CSystemWorld::CurrentPage(HWND sheet)
{
    return GetTopWindow(sheet);
}

bool CSystemWorld::IsControlEnabled(HWND window, int controlId)
{
    return IsWindowEnabled(GetDlgItem(window, controlId)) != FALSE;
}

void CSystemWorld::Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    PostMessageA(window, message, wParam, lParam);
}

bool CSystemWorld::SendText(HWND window, int controlId, const char* text)
{
    return SendMessageA(GetDlgItem(window, controlId), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) != 0;
}

void CSystemWorld::Pause(DWORD ms)
{
    Sleep(ms);
}

void CSystemWorld::AdvanceProgress(int increment)
{
    SendMessageA(m_progressBar, PBM_DELTAPOS, static_cast<WPARAM>(increment), 0);
}

void CSystemWorld::Beep()
{
    // -1: the plain beep, not one of the sounds a user may have chosen for message boxes.
    MessageBeep(static_cast<UINT>(-1));
}
