#include "PreviewDlg.h"

CPreviewDlg::CPreviewDlg(const CString& text)
    : CModalDialog(IDD_PREVIEW, nullptr), m_text(text),
      m_icon(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_CONFIGURATOR)))
{
}

BOOL CPreviewDlg::OnInitDialog()
{
    CModalDialog::OnInitDialog();
    SendMessageA(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon));
    SendMessageA(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_icon));
    // Fixed pitch, so that the lines of a configuration file read as they stand in it.
    m_font.Reset(CreateFontA(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH | FF_MODERN, "Courier New"));
    HWND text = Item(IDC_PREVIEW_TEXT);
    SendMessageA(text, WM_SETFONT, reinterpret_cast<WPARAM>(m_font ? m_font.Get() : GetStockObject(ANSI_FIXED_FONT)), FALSE);
    // No limit of its own: a long preview is shown whole.
    SendMessageA(text, EM_LIMITTEXT, 0, 0);
    SetWindowTextA(text, m_text);
    // The reader starts at the Close button, with nothing of the text selected.
    SetFocus(Item(IDCANCEL));
    return FALSE;
}
