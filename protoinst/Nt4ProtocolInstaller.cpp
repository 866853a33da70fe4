#include "ProtocolInstaller.h"

#include "PanelControls.h"

#include <commctrl.h>
#include <prsht.h>

namespace {

using namespace panel_controls;

// The Protocols page is the Network sheet's third.
const WPARAM kProtocolsPage = 2;

// A window is looked for every half second, 41 times (about 20 seconds), before the walk goes on
// without it; "Have Disk" is looked at as often, 50 times, until the list enables it.
const int kWaitAttempts = 41;
const DWORD kWaitPauseMs = 500;
const int kEnablePolls = 50;

// Whom a step's command is for.
enum class Target {
    NewControlPanel, // nobody: the step starts the control program
    Reached,         // the window the step waited for
    SheetPage,       // the page the Network sheet shows
    Sheet,           // the Network sheet
};

// One step: wait for a window, send it a command, give the panel time, advance the bar.
struct Step {
    PanelWindow waitFor; // None: the step goes on at once
    Target target;
    int enabledFirst;    // a control of the target waited for until enabled, or kNoId
    int textField;       // a control of the target given the disk path first, or kNoId
    DWORD typedPauseMs;  // between the text and the command
    UINT message;
    WPARAM wParam;
    DWORD pauseMs;       // after the command
    int progress;        // percent of the bar
};

// The sequence, in the order a person would go. Each row: the window waited for, whom the command
// is for, a control waited for until enabled, a field the disk path is typed into, the pause
// between typing and the command, the command, the pause after it, the bar's increment.
const Step kSteps[] = {
    // Open the Network control panel.
    {PanelWindow::None, Target::NewControlPanel, kNoId, kNoId, 0, 0, 0, 0, 0},
    // Show the sheet's Protocols page, and press its "Add...".
    {PanelWindow::NetworkSheet, Target::Reached, kNoId, kNoId, 0, PSM_SETCURSEL, kProtocolsPage, 500, 15},
    {PanelWindow::None, Target::SheetPage, kNoId, kNoId, 0, WM_COMMAND, kAddProtocol, 500, 15},
    // Press "Have Disk..." once the list has filled and enabled it; the disk prompt takes a while.
    {PanelWindow::ProtocolList, Target::Reached, kHaveDisk, kNoId, 0, WM_COMMAND, kHaveDisk, 1200, 15},
    // Type the disk path, leave it in view half a second, press OK.
    {PanelWindow::DiskPrompt, Target::Reached, kNoId, kDiskPathField, 500, WM_COMMAND, kContinue, 500, 15},
    // Take the disk's protocol.
    {PanelWindow::OemOption, Target::Reached, kNoId, kNoId, 0, WM_COMMAND, kContinue, 500, 15},
    // Close the sheet with OK; the panel copies the files and binds the protocol before it asks about a restart.
    {PanelWindow::None, Target::Sheet, kNoId, kNoId, 0, WM_COMMAND, IDOK, 8000, 15},
    // Decline the restart, so that the setup can go on.
    {PanelWindow::RestartQuestion, Target::Reached, kNoId, kNoId, 0, WM_COMMAND, IDNO, 500, 10},
};

HWND WaitForWindow(CHelperWorld& world, PanelWindow kind)
{
    for (int attempt = 0; attempt < kWaitAttempts; ++attempt) {
        world.Pause(kWaitPauseMs);
        if (HWND window = world.FindPanelWindow(kind))
            return window;
    }
    return nullptr;
}

void WaitUntilEnabled(CHelperWorld& world, HWND window, int controlId)
{
    for (int poll = 0; poll < kEnablePolls; ++poll) {
        world.Pause(kWaitPauseMs);
        if (world.IsControlEnabled(window, controlId))
            return;
    }
}

// Tells the target what the step says. False when the prompt took no text: then nothing is
// confirmed, and the panel is given no time for it.
bool Command(CHelperWorld& world, const Step& step, HWND target, const char* diskPath)
{
    if (step.target == Target::NewControlPanel) {
        world.StartControlPanel();
        return true;
    }
    if (step.enabledFirst != kNoId)
        WaitUntilEnabled(world, target, step.enabledFirst);
    if (step.textField != kNoId) {
        if (!world.SendText(target, step.textField, diskPath))
            return false;
        world.Pause(step.typedPauseMs);
    }
    world.Post(target, step.message, step.wParam, 0);
    return true;
}

} // namespace

CString ControlPanelCommandLine(const CString& systemDirectory)
{
    // Built to its length: a long system folder cannot overrun it.
    return systemDirectory + "\\control ncpa.cpl";
}

int CNt4ProtocolInstaller::Install(const CString& diskPath)
{
    // The sheet is recognised once and addressed again by later steps.
    HWND sheet = nullptr;
    for (const Step& step : kSteps) {
        HWND reached = step.waitFor == PanelWindow::None ? nullptr : WaitForWindow(m_world, step.waitFor);
        if (step.waitFor == PanelWindow::NetworkSheet)
            sheet = reached;
        HWND target = step.target == Target::Reached ? reached : sheet;
        // Without a sheet there is no page to ask it for.
        if (step.target == Target::SheetPage && sheet)
            target = m_world.CurrentPage(sheet);
        if (Command(m_world, step, target, diskPath.c_str()))
            m_world.Pause(step.pauseMs);
        if (step.progress)
            m_world.AdvanceProgress(step.progress);
    }
    return 0;
}
