// The window of a "/PREVIEW" run without a log: what the run would do, as the log would say it,
// to read and close. It changes nothing.
#pragma once

#include "CString.h"
#include "ModalDialog.h"
#include "UniqueHandle.h"
#include "resource.h"

class CPreviewDlg : public CModalDialog {
public:
    explicit CPreviewDlg(const CString& text);

protected:
    BOOL OnInitDialog() override;

private:
    CString m_text;
    HICON m_icon;
    CGdiObject m_font; // the window is gone before it goes
};
