// CDialog: modal and modeless dialogs from resource templates (or in-memory templates),
// with data exchange between controls and members (check box <-> int, edit <-> int).
#pragma once
#include "wnd.h"

#include <string>

class CDialog;

// Moves values between a dialog's controls and its members, one direction per pass.
class CDataExchange {
public:
    CDataExchange(CDialog* dlg, bool saveAndValidate)
        : m_pDlgWnd(dlg), m_bSaveAndValidate(saveAndValidate) {}
    HWND PrepareCtrl(int id);     // the control, remembered for a failure
    HWND PrepareEditCtrl(int id); // the same, for an edit whose text gets selected on failure
    // Puts the focus on the last prepared control and throws CUserException.
    [[noreturn]] void Fail();

    CDialog* m_pDlgWnd;
    bool m_bSaveAndValidate; // true: controls -> members

private:
    HWND m_hLastControl = nullptr;
    bool m_bEditLastControl = false;
};

void DDX_Check(CDataExchange* dx, int id, int& value);
// Signed decimal; text that is not a whole number gets a message box and fails the exchange.
void DDX_Text(CDataExchange* dx, int id, int& value);
void DDX_Text(CDataExchange* dx, int id, std::wstring& value);
// Fails the exchange with a message box when `value` is outside min..max.
void DDV_MinMaxInt(CDataExchange* dx, int value, int minValue, int maxValue);

class CDialog : public CWnd {
    DECLARE_DYNAMIC(CDialog)
public:
    CDialog() = default;
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);
    ~CDialog() override;

    // Modal: runs until EndDialog; returns its result, or -1 when the dialog cannot be made.
    // Without a parent the dialog is owned by the application's main window.
    virtual INT_PTR DoModal();
    // Modeless.
    bool Create(UINT templateId, CWnd* parent = nullptr);
    bool CreateIndirect(const DLGTEMPLATE* dlgTemplate, CWnd* parent = nullptr);
    // Modal from an in-memory template (tests and code-built dialogs).
    void InitModalIndirect(const DLGTEMPLATE* dlgTemplate, CWnd* parent = nullptr);
    void EndDialog(int result);

    // Overridables.
    virtual bool OnInitDialog(); // loads the members into the controls; true: default focus
    virtual void OnOK();         // saves and validates; ends with IDOK when that succeeds
    virtual void OnCancel();     // ends with IDCANCEL
    virtual void DoDataExchange(CDataExchange* dx);
    bool UpdateData(bool saveAndValidate = true);
    bool PreTranslateMessage(MSG* msg) override;

    bool IsModal() const { return m_bModal; }
    UINT GetTemplateId() const { return m_nIDTemplate; }

protected:
    DECLARE_MESSAGE_MAP()
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    HWND GetOwnerForModal() const;
    const DLGTEMPLATE* FindTemplate() const;

    UINT m_nIDTemplate = 0;
    CWnd* m_pParentWnd = nullptr;
    const DLGTEMPLATE* m_lpDialogTemplate = nullptr;

private:
    bool m_bModal = false;
};
