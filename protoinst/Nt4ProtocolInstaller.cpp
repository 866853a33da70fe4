#include "ProtocolInstaller.h"

#include "UniqueHandle.h"

#include <commctrl.h>
#include <prsht.h>

namespace {

const int kNoId = 0;
const int kRecognitionIds[][5] = {
    {1, 2, 9, 0x3020, 0x3021},        // Network sheet: OK, Cancel, Help, tabs, Apply
    {1, 2, 2040, 7001, 2004},         // protocol list
    {403, 402, 501, 0xFFFF, 581},     // disk prompt
    {403, 402, 0xFFFF, 591, 408},     // OEM option dialog
    {6, 7, 10, 0xFFFF, kNoId},        // restart question
};

const int kWaitAttempts = 41;
const DWORD kWaitPauseMs = 500;
const int kEnablePolls = 50;

enum class Action { StartControlPanel, ShowProtocolsPage, OpenProtocolList, HaveDisk, TypeDiskPath, ConfirmOption, CloseSheet, DeclineRestart };

struct Step {
    bool waits;
    PanelWindow window;
    Action action;
    DWORD pauseMs;
    int progress;
};

// The sequence, in the order a person would go.
const Step kSteps[] = {
    {false, PanelWindow::Count, Action::StartControlPanel, 0, 0},
    {true, PanelWindow::NetworkSheet, Action::ShowProtocolsPage, 500, 15},
    {false, PanelWindow::Count, Action::OpenProtocolList, 500, 15},
    {true, PanelWindow::ProtocolList, Action::HaveDisk, 1200, 15},
    {true, PanelWindow::DiskPrompt, Action::TypeDiskPath, 500, 15},
    {true, PanelWindow::OemOption, Action::ConfirmOption, 500, 15},
    {false, PanelWindow::Count, Action::CloseSheet, 8000, 15},
    {true, PanelWindow::RestartQuestion, Action::DeclineRestart, 500, 10},
};

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

HWND WaitForPanelWindow(PanelWindow kind)
{
    for (int attempt = 0; attempt < kWaitAttempts; ++attempt) {
        Sleep(kWaitPauseMs);
        Search search = {kind, nullptr};
        EnumWindows(TestWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found)
            return search.found;
    }
    return nullptr;
}

void PostCommand(HWND window, int id)
{
    PostMessageA(window, WM_COMMAND, static_cast<WPARAM>(id), 0);
}

void StartControlPanel()
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

} // namespace

bool PassesRecognition(HWND window, PanelWindow kind)
{
    for (int id : kRecognitionIds[static_cast<int>(kind)]) {
        if (id != kNoId && !GetDlgItem(window, id))
            return false;
    }
    return true;
}

CString ControlPanelCommandLine(const CString& systemDirectory)
{
    // Built to its length: a long system folder cannot overrun it.
    return systemDirectory + "\\control ncpa.cpl";
}

int CNt4ProtocolInstaller::Install(const CString& diskPath)
{
    // Each window is recognised once and kept for the rest of the run.
    HWND found[static_cast<int>(PanelWindow::Count)] = {};
    for (const Step& step : kSteps) {
        HWND window = nullptr;
        if (step.waits)
            window = found[static_cast<int>(step.window)] = WaitForPanelWindow(step.window);
        HWND sheet = found[static_cast<int>(PanelWindow::NetworkSheet)];
        bool pause = true;
        switch (step.action) {
        case Action::StartControlPanel: StartControlPanel(); break;
        case Action::ShowProtocolsPage: PostMessageA(window, PSM_SETCURSEL, 2, 0); break;
        case Action::OpenProtocolList: PostCommand(sheet ? GetTopWindow(sheet) : nullptr, 2001); break;
        case Action::HaveDisk:
            for (int poll = 0; poll < kEnablePolls; ++poll) {
                Sleep(kWaitPauseMs);
                if (IsWindowEnabled(GetDlgItem(window, 2040)))
                    break;
            }
            PostCommand(window, 2040);
            break;
        case Action::TypeDiskPath:
            pause = SendMessageA(GetDlgItem(window, 581), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(diskPath.c_str())) != 0;
            if (pause) {
                Sleep(500);
                PostCommand(window, 403);
            }
            break;
        case Action::ConfirmOption: PostCommand(window, 403); break;
        case Action::CloseSheet: PostCommand(sheet, IDOK); break;
        case Action::DeclineRestart: PostCommand(window, IDNO); break;
        }
        if (pause)
            Sleep(step.pauseMs);
        if (step.progress)
            SendMessageA(m_progressBar, PBM_DELTAPOS, static_cast<WPARAM>(step.progress), 0);
    }
    return 0;
}
