// The export of the setup's web-server page library (pickpanel.dll), which the setup host finds
// by name once it has loaded the library.
#pragma once

#include <windows.h>

// Captions the page and disables the rows of the servers whose flag is non-zero; the result is
// that of enabling the IIS row's last control, or 0.
extern "C" int __cdecl DisableDialogControls(HWND dialog, int noSkylane, int noMondrel, int noBrell, int noIis);

typedef int(__cdecl* DisableDialogControlsProc)(HWND dialog, int noSkylane, int noMondrel, int noBrell, int noIis);
const char kDisableDialogControlsName[] = "DisableDialogControls";
