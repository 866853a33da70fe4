#include "ModalDialog.h"

INT_PTR CModalDialog::DoModal()
{
    return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(m_templateId), m_parent, DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

BOOL CModalDialog::OnInitDialog()
{
    DoDataExchange(false);
    return TRUE;
}

bool CModalDialog::OnCommand(WORD id, WORD)
{
    if (id == IDOK) {
        OnOK();
        return true;
    }
    if (id == IDCANCEL) {
        OnCancel();
        return true;
    }
    return false;
}

void CModalDialog::OnOK()
{
    DoDataExchange(true);
    EndDialog(IDOK);
}

void CModalDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

void CModalDialog::ExchangeCheckBox(bool save, int id, int& value)
{
    if (save)
        value = IsDlgButtonChecked(m_window, id) == BST_CHECKED ? 1 : 0;
    else
        CheckDlgButton(m_window, id, value ? BST_CHECKED : BST_UNCHECKED);
}

INT_PTR CALLBACK CModalDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    CModalDialog* self;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<CModalDialog*>(lParam);
        SetWindowLongPtrA(window, DWLP_USER, lParam);
        self->m_window = window;
        return self->OnInitDialog();
    }
    self = reinterpret_cast<CModalDialog*>(GetWindowLongPtrA(window, DWLP_USER));
    if (!self)
        return FALSE;
    switch (message) {
    case WM_COMMAND:
        return self->OnCommand(LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
    case WM_PAINT:
        return self->OnPaint() ? TRUE : FALSE;
    case WM_QUERYDRAGICON:
        return reinterpret_cast<INT_PTR>(self->OnQueryDragIcon());
    }
    return FALSE;
}
