#include "RecordingWorld.h"

#include <catch.hpp>

#include <commctrl.h>
#include <prsht.h>

namespace {

// Each window of the panel is 0x100 times its kind; its topmost child is the next value. The
// desktop's topmost window stands for what the system answers when asked for the top child of no
// window, so a command sent there shows in the record.
const UINT_PTR kWindowStride = 0x100;
const UINT_PTR kDesktopTop = 0x10;
const int kHaveDisk = 2040;

HWND WindowOf(PanelWindow kind)
{
    return reinterpret_cast<HWND>(static_cast<UINT_PTR>(kind) * kWindowStride);
}

std::string NameOf(HWND window)
{
    static const char* const kNames[] = {"?", "sheet", "list", "disk prompt", "option", "restart"};
    UINT_PTR value = reinterpret_cast<UINT_PTR>(window);
    if (value == 0)
        return "no window";
    if (value == kDesktopTop)
        return "desktop's top window";
    UINT_PTR kind = value / kWindowStride;
    if (kind < 1 || kind >= sizeof kNames / sizeof kNames[0] || value % kWindowStride > 1)
        return "unknown window";
    if (value % kWindowStride == 0)
        return kNames[kind];
    return kind == static_cast<UINT_PTR>(PanelWindow::NetworkSheet) ? "page of sheet"
                                                                     : std::string("top child of ") + kNames[kind];
}

std::string MessageName(UINT message)
{
    if (message == WM_COMMAND)
        return "WM_COMMAND";
    if (message == PSM_SETCURSEL)
        return "PSM_SETCURSEL";
    return "message " + std::to_string(message);
}

} // namespace

void CRecordingWorld::StartControlPanel()
{
    Write("start control panel");
}

HWND CRecordingWorld::FindPanelWindow(PanelWindow kind)
{
    int k = static_cast<int>(kind);
    Write("look for " + NameOf(WindowOf(kind)));
    ++m_looks[k];
    return m_appearsAt[k] != kNever && m_looks[k] >= m_appearsAt[k] ? WindowOf(kind) : nullptr;
}

HWND CRecordingWorld::CurrentPage(HWND sheet)
{
    return reinterpret_cast<HWND>(sheet ? reinterpret_cast<UINT_PTR>(sheet) + 1 : kDesktopTop);
}

bool CRecordingWorld::IsControlEnabled(HWND window, int controlId)
{
    Write("poll " + std::to_string(controlId) + " of " + NameOf(window));
    ++m_polls;
    return window == WindowOf(PanelWindow::ProtocolList) && controlId == kHaveDisk && m_enabledAt != kNever &&
           m_polls >= m_enabledAt;
}

void CRecordingWorld::Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    Write("post " + NameOf(window) + " " + MessageName(message) + " " + std::to_string(wParam) + " " +
          std::to_string(lParam));
}

bool CRecordingWorld::SendText(HWND window, int controlId, const char* text)
{
    Write("text " + NameOf(window) + " " + std::to_string(controlId) + ": " + text);
    return window != nullptr;
}

void CRecordingWorld::Pause(DWORD ms)
{
    Write("pause " + std::to_string(ms));
}

void CRecordingWorld::AdvanceProgress(int increment)
{
    Write("progress " + std::to_string(increment));
    m_progress += increment;
}

void CRecordingWorld::Beep()
{
    Write("beep");
}

void CheckRecord(const std::vector<std::string>& record, const std::vector<std::string>& expected)
{
    size_t at = 0;
    while (at < record.size() && at < expected.size() && record[at] == expected[at])
        ++at;
    INFO("first difference at line " << at + 1 << " (" << expected.size() << " expected, " << record.size()
                                     << " recorded)");
    CHECK((at < record.size() ? record[at] : "(end)") == (at < expected.size() ? expected[at] : "(end)"));
}
