// pickpanel.dll: the setup's web-server page (its template and strings are the library's
// resources) and the operation that gives the page its caption and disables the rows of the
// servers that are not to be offered.
#include "pickpanel.h"
#include "resource.h"

#include <windows.h>

namespace {

// The library's own module: its strings are loaded from here, whatever name or folder the setup
// host loaded it by.
HINSTANCE g_module = nullptr;

const int kCaptionChars = 128;

const int kSkylaneRow[] = {IDC_SKYLANE_CHECK, IDC_SKYLANE_LABEL, IDC_SKYLANE_FILE};
const int kMondrelRow[] = {IDC_MONDREL_CHECK, IDC_MONDREL_LABEL, IDC_MONDREL_FILE};
const int kBrellRow[] = {IDC_BRELL_CHECK, IDC_BRELL_LABEL, IDC_BRELL_FILE};

// Disables each control of the row that the page has, in order; gives the result of the last one.
template <size_t N>
BOOL DisableRow(HWND dialog, const int (&row)[N])
{
    BOOL last = FALSE;
    for (int id : row) {
        HWND control = GetDlgItem(dialog, id);
        last = control ? EnableWindow(control, FALSE) : FALSE;
    }
    return last;
}

} // namespace

int __cdecl DisableDialogControls(HWND dialog, int noSkylane, int noMondrel, int noBrell, int noIis)
{
    char caption[kCaptionChars] = "";
    LoadStringA(g_module, IDS_PAGE_CAPTION, caption, kCaptionChars);
    SetWindowTextA(dialog, caption);
    if (noSkylane)
        DisableRow(dialog, kSkylaneRow);
    if (noMondrel)
        DisableRow(dialog, kMondrelRow);
    if (noBrell)
        DisableRow(dialog, kBrellRow);
    if (!noIis)
        return 0;
    const int iisRow[] = {IDC_IIS_CHECK, IDC_IIS_LABEL};
    return DisableRow(dialog, iisRow);
}

BOOL WINAPI DllMain(HINSTANCE module, DWORD, LPVOID)
{
    g_module = module;
    return TRUE;
}
