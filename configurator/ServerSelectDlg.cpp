#include "ServerSelectDlg.h"

CServerSelectDlg::CServerSelectDlg(HWND parent)
    : CModalDialog(IDD_SERVER_SELECT, parent),
      m_icon(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_CONFIGURATOR)))
{
}

void CServerSelectDlg::DoDataExchange(bool save)
{
    ExchangeCheckBox(save, IDC_BRELL, m_brellCheck);
    ExchangeCheckBox(save, IDC_SKYLANE, m_skylaneCheck);
    ExchangeCheckBox(save, IDC_IIS, m_iisCheck);
    ExchangeCheckBox(save, IDC_MONDREL, m_mondrelCheck);
}

BOOL CServerSelectDlg::OnInitDialog()
{
    CModalDialog::OnInitDialog();
    SendMessageA(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon));
    SendMessageA(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_icon));
    return TRUE;
}

bool CServerSelectDlg::OnCommand(WORD id, WORD notification)
{
    if (id == IDC_CONFIGURE_SERVERS && notification == BN_CLICKED) {
        // Ends at once: the boxes are not read back.
        EndDialog(IDOK);
        return true;
    }
    if (id == IDC_CANCEL_BUTTON && notification == BN_CLICKED) {
        OnCancel();
        return true;
    }
    return CModalDialog::OnCommand(id, notification);
}

bool CServerSelectDlg::OnPaint()
{
    if (!IsIconic(Handle()))
        return false;
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(Handle(), &paint);
    SendMessageA(Handle(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client;
    GetClientRect(Handle(), &client);
    int iconWidth = GetSystemMetrics(SM_CXICON);
    int iconHeight = GetSystemMetrics(SM_CYICON);
    int left = (client.right - client.left - iconWidth + 1) / 2;
    int top = (client.bottom - client.top - iconHeight + 1) / 2;
    DrawIcon(dc, left, top, m_icon);
    EndPaint(Handle(), &paint);
    return true;
}
