// A modal dialog from a resource template: a static procedure keeps `this` from WM_INITDIALOG on
// and hands each message to one handler. Check boxes exchange their state with integer members
// (1 checked, 0 not) through DoDataExchange.
#pragma once

#include <windows.h>

class CModalDialog {
public:
    CModalDialog(UINT templateId, HWND parent) : m_templateId(templateId), m_parent(parent) {}
    virtual ~CModalDialog() = default;

    // Runs the dialog; IDOK, IDCANCEL or whatever ended it; -1 when it could not be shown.
    INT_PTR DoModal();
    HWND Handle() const { return m_window; }

protected:
    // Fills the controls from the members (save false) or the members from the controls.
    virtual void DoDataExchange(bool save) { (void)save; }
    virtual BOOL OnInitDialog();
    // True when the command was handled.
    virtual bool OnCommand(WORD id, WORD notification);
    virtual void OnOK();
    virtual void OnCancel();
    // True when painted; false lets the system paint.
    virtual bool OnPaint() { return false; }
    virtual HICON OnQueryDragIcon() { return nullptr; }

    void EndDialog(INT_PTR result) { ::EndDialog(m_window, result); }
    void ExchangeCheckBox(bool save, int id, int& value);
    HWND Item(int id) const { return GetDlgItem(m_window, id); }

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    UINT m_templateId;
    HWND m_parent;
    HWND m_window = nullptr;
};
