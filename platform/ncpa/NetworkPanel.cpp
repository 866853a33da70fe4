// ncpa.cpl: the Network control panel as the protocol helper sees it. Its windows carry the
// control ids the helper recognises them by; it acts on posted commands as on button presses and
// writes what it was told, a line each, to the file named by NCPA_RECORD (a command to the sheet's
// pages with the title of the page it reached), and a last line when its windows are gone.
// NCPA_OMIT names windows it leaves out (sheet, list, disk, option, restart; "sheet" leaves out
// everything), and NCPA_ENABLE_MS how long the protocol list keeps its "Have Disk" button disabled
// (default 1500).
#include "resource.h"

#include <windows.h>
#include <commctrl.h>
#include <cpl.h>
#include <prsht.h>

#include <cstdlib>
#include <cstring>

namespace {

HINSTANCE g_module = nullptr;
bool g_applied = false;

void Record(const char* line)
{
    char path[MAX_PATH];
    if (!GetEnvironmentVariableA("NCPA_RECORD", path, MAX_PATH))
        return;
    // The test reads the record while the panel runs; a line must never be lost to that.
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && file == INVALID_HANDLE_VALUE; ++attempt) {
        file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            Sleep(20);
    }
    DWORD wrote = 0;
    WriteFile(file, line, static_cast<DWORD>(strlen(line)), &wrote, nullptr);
    WriteFile(file, "\r\n", 2, &wrote, nullptr);
    CloseHandle(file);
}

bool Omitted(const char* window)
{
    char omit[256] = "";
    GetEnvironmentVariableA("NCPA_OMIT", omit, sizeof omit);
    for (char* part = strtok(omit, ","); part; part = strtok(nullptr, ","))
        if (!strcmp(part, window))
            return true;
    return false;
}

UINT EnableDelayMs()
{
    char value[32] = "";
    return GetEnvironmentVariableA("NCPA_ENABLE_MS", value, sizeof value) ? static_cast<UINT>(atoi(value)) : 1500;
}

INT_PTR ShowDialog(int id, HWND owner, DLGPROC proc, const char* name)
{
    if (Omitted(name))
        return IDOK; // as if a person had gone through it
    return DialogBoxParamA(g_module, MAKEINTRESOURCEA(id), owner, proc, 0);
}

INT_PTR CALLBACK OptionProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG) {
        SendDlgItemMessageA(dialog, 591, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Corvane LLC2 Protocol"));
        return TRUE;
    }
    if (message == WM_COMMAND && (LOWORD(wParam) == IDC_CONTINUE || LOWORD(wParam) == IDC_STOP)) {
        Record(LOWORD(wParam) == IDC_CONTINUE ? "option confirmed" : "option cancelled");
        EndDialog(dialog, LOWORD(wParam) == IDC_CONTINUE ? IDOK : IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK DiskProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG)
        return TRUE;
    if (message == WM_COMMAND && LOWORD(wParam) == IDC_CONTINUE) {
        char text[1024] = "disk path: ";
        GetDlgItemTextA(dialog, IDC_DISK_PATH, text + strlen(text), sizeof text - strlen(text));
        Record(text);
        EndDialog(dialog, IDOK);
        return TRUE;
    }
    if (message == WM_COMMAND && LOWORD(wParam) == IDC_STOP) {
        Record("disk cancelled");
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK ListProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        SendDlgItemMessageA(dialog, 7001, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("NetBEUI Protocol"));
        SetTimer(dialog, 1, EnableDelayMs(), nullptr);
        return TRUE;
    case WM_TIMER:
        KillTimer(dialog, 1);
        EnableWindow(GetDlgItem(dialog, IDC_HAVE_DISK), TRUE);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_HAVE_DISK) {
            Record(IsWindowEnabled(GetDlgItem(dialog, IDC_HAVE_DISK)) ? "button 2040" : "button 2040 while disabled");
            if (ShowDialog(IDD_DISK_PROMPT, dialog, DiskProc, "disk") == IDOK)
                ShowDialog(IDD_OEM_OPTION, dialog, OptionProc, "option");
            EndDialog(dialog, IDOK);
            return TRUE;
        }
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
    }
    return FALSE;
}

INT_PTR CALLBACK PageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG)
        return TRUE;
    if (message == WM_NOTIFY) {
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->code == PSN_SETACTIVE) {
            char line[64];
            GetWindowTextA(page, line + wsprintfA(line, "page shown: "), 40);
            Record(line);
            // The current page is the sheet's topmost child.
            SetWindowPos(page, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        } else if (header->code == PSN_APPLY && !g_applied) {
            g_applied = true;
            Record("sheet OK");
        }
        return FALSE;
    }
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        // Every page hears its commands, and the record says which one did: a command sent to
        // the wrong page shows, and only the page that has "Add..." opens the list.
        char line[96];
        GetWindowTextA(page, line + wsprintfA(line, "button %u on page ", LOWORD(wParam)), 40);
        Record(line);
        if (LOWORD(wParam) == IDC_ADD_PROTOCOL && GetDlgItem(page, IDC_ADD_PROTOCOL))
            ShowDialog(IDD_PROTOCOL_LIST, GetParent(page), ListProc, "list");
        return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK RestartProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG)
        return TRUE;
    if (message == WM_COMMAND && (LOWORD(wParam) == IDYES || LOWORD(wParam) == IDNO || LOWORD(wParam) == IDC_LATER)) {
        Record(LOWORD(wParam) == IDNO ? "restart: no" : "restart: yes");
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

void RunNetworkSheet(HWND owner)
{
    const int pages[] = {IDD_PAGE_IDENTIFICATION, IDD_PAGE_SERVICES, IDD_PAGE_PROTOCOLS, IDD_PAGE_ADAPTERS};
    HPROPSHEETPAGE handles[4];
    for (int i = 0; i < 4; ++i) {
        PROPSHEETPAGEA page = {};
        page.dwSize = sizeof page;
        page.dwFlags = PSP_HASHELP;
        page.hInstance = g_module;
        page.pszTemplate = MAKEINTRESOURCEA(pages[i]);
        page.pfnDlgProc = PageProc;
        handles[i] = CreatePropertySheetPageA(&page);
    }
    PROPSHEETHEADERA sheet = {};
    sheet.dwSize = sizeof sheet;
    sheet.dwFlags = PSH_HASHELP;
    sheet.hwndParent = owner;
    sheet.hInstance = g_module;
    sheet.pszCaption = "Network";
    sheet.nPages = 4;
    sheet.phpage = handles;
    g_applied = false;
    PropertySheetA(&sheet);
    if (g_applied)
        ShowDialog(IDD_RESTART, owner, RestartProc, "restart");
}

void RunNetworkPanel(HWND owner)
{
    Record("control panel opened");
    if (!Omitted("sheet"))
        RunNetworkSheet(owner);
    // Its windows are gone by now: whoever reads the record may look for windows of its own.
    Record("control panel closed");
}

} // namespace

extern "C" LONG APIENTRY CPlApplet(HWND owner, UINT message, LPARAM param1, LPARAM param2)
{
    switch (message) {
    case CPL_INIT:
        InitCommonControls();
        return TRUE;
    case CPL_GETCOUNT:
        return 1;
    case CPL_INQUIRE: {
        CPLINFO* info = reinterpret_cast<CPLINFO*>(param2);
        info->idIcon = 0;
        info->idName = 0;
        info->idInfo = 0;
        info->lData = 0;
        return 0;
    }
    case CPL_NEWINQUIRE: {
        NEWCPLINFOA* info = reinterpret_cast<NEWCPLINFOA*>(param2);
        memset(info, 0, sizeof *info);
        info->dwSize = sizeof *info;
        lstrcpyA(info->szName, "Network");
        lstrcpyA(info->szInfo, "Network settings");
        return 0;
    }
    case CPL_DBLCLK:
        RunNetworkPanel(owner);
        return 0;
    }
    (void)param1;
    return 0;
}

BOOL WINAPI DllMain(HINSTANCE module, DWORD, LPVOID)
{
    g_module = module;
    return TRUE;
}
