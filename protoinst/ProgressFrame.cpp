#include "ProgressFrame.h"

#include "resource.h"

#include <commctrl.h>

namespace {

const char kFrameClass[] = "LinkwellProgressFrame";
const int kStaticId = 0xFFFF; // the labels have no id of their own

HWND MakeChild(HINSTANCE instance, HWND parent, const char* cls, const char* text, DWORD style, RECT r, int id)
{
    return CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.right - r.left,
                           r.bottom - r.top, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance,
                           nullptr);
}

} // namespace

CProgressFrame::CProgressFrame(HINSTANCE instance)
{
    InitCommonControls();
    WNDCLASSA frameClass = {};
    frameClass.lpfnWndProc = DefWindowProcA;
    frameClass.hInstance = instance;
    frameClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    frameClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    frameClass.lpszClassName = kFrameClass;
    RegisterClassA(&frameClass);

    char caption[256] = "";
    char message[256] = "";
    LoadStringA(instance, IDS_CAPTION, caption, sizeof caption);
    LoadStringA(instance, IDS_MESSAGE, message, sizeof message);
    m_frame = CreateWindowExA(WS_EX_TOPMOST | WS_EX_STATICEDGE, kFrameClass, caption, WS_CAPTION, 0, 0, 350, 250,
                              nullptr, nullptr, instance, nullptr);
    RECT client;
    GetClientRect(m_frame, &client);
    MakeChild(instance, m_frame, "STATIC", "", 0, client, kStaticId);
    MakeChild(instance, m_frame, "STATIC", message, 0, RECT{40, 50, 310, 200}, kStaticId);
    m_progress = MakeChild(instance, m_frame, PROGRESS_CLASSA, "", WS_DLGFRAME, RECT{40, 150, 300, 175}, kProgressBarId);
}

void CProgressFrame::CenterAndShow(int showCommand)
{
    RECT desktop, frame;
    GetWindowRect(GetDesktopWindow(), &desktop);
    GetWindowRect(m_frame, &frame);
    int width = frame.right - frame.left, height = frame.bottom - frame.top;
    SetWindowPos(m_frame, nullptr, (desktop.right - desktop.left - width) / 2, (desktop.bottom - desktop.top - height) / 2,
                 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ShowWindow(m_frame, showCommand);
    UpdateWindow(m_frame);
}
