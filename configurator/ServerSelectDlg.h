// The display-only selection dialog of a "/DISCOVER /SELECT" run: which of four server kinds
// were found. Its choices are carried nowhere.
#pragma once

#include "ModalDialog.h"
#include "resource.h"

class CServerSelectDlg : public CModalDialog {
public:
    explicit CServerSelectDlg(HWND parent = nullptr);

    int m_brellCheck = 0;
    int m_skylaneCheck = 0;
    int m_iisCheck = 0;
    int m_mondrelCheck = 0;

protected:
    void DoDataExchange(bool save) override;
    BOOL OnInitDialog() override;
    bool OnCommand(WORD id, WORD notification) override;
    bool OnPaint() override;
    HICON OnQueryDragIcon() override { return m_icon; }

private:
    HICON m_icon;
};
