#include "dialog.h"

#include "app.h"
#include "exception.h"

#include <cwctype>

IMPLEMENT_DYNAMIC(CDialog, CWnd)

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    Command<&CDialog::OnOK>(IDOK), Command<&CDialog::OnCancel>(IDCANCEL),
END_MESSAGE_MAP()

namespace {
// The dialog object waiting for its window: attached at the dialog procedure's first call.
thread_local CDialog* t_dlgCreating = nullptr;

class CreatingDialog {
public:
    explicit CreatingDialog(CDialog* dlg) : m_prev(t_dlgCreating) { t_dlgCreating = dlg; }
    ~CreatingDialog() { t_dlgCreating = m_prev; }
    CreatingDialog(const CreatingDialog&) = delete;
    CreatingDialog& operator=(const CreatingDialog&) = delete;

private:
    CDialog* m_prev;
};
} // namespace

CDialog::CDialog(UINT templateId, CWnd* parent) : m_nIDTemplate(templateId), m_pParentWnd(parent) {}

CDialog::~CDialog() {
    if (m_hWnd && ::IsWindow(m_hWnd)) ::DestroyWindow(m_hWnd);
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT msg, WPARAM, LPARAM) {
    CWnd* wnd = CWnd::FromHandle(hwnd);
    if (!wnd && t_dlgCreating) {
        CDialog* dlg = std::exchange(t_dlgCreating, nullptr);
        dlg->SubclassWindow(hwnd);
        wnd = dlg;
    }
    if (msg != WM_INITDIALOG) return FALSE;
    auto* dlg = dynamic_cast<CDialog*>(wnd);
    if (!dlg) return TRUE;
    try {
        return dlg->OnInitDialog();
    } catch (...) {
        AfxReportException(std::current_exception());
    }
    // A dialog that failed half-way through its set-up never shows.
    if (dlg->m_bModal)
        ::EndDialog(hwnd, -1);
    else
        ::DestroyWindow(hwnd);
    return FALSE;
}

const DLGTEMPLATE* CDialog::FindTemplate() const {
    if (m_lpDialogTemplate) return m_lpDialogTemplate;
    HINSTANCE inst = AfxGetInstanceHandle();
    HRSRC res =
        FindResourceW(inst, MAKEINTRESOURCEW(m_nIDTemplate), reinterpret_cast<LPCWSTR>(RT_DIALOG));
    HGLOBAL data = res ? LoadResource(inst, res) : nullptr;
    return data ? static_cast<const DLGTEMPLATE*>(LockResource(data)) : nullptr;
}

HWND CDialog::GetOwnerForModal() const {
    HWND owner = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    if (!owner)
        if (CWnd* main = AfxGetMainWnd(); main && main->IsWindow()) owner = main->m_hWnd;
    if (owner) owner = GetAncestor(owner, GA_ROOT);
    return owner && ::IsWindow(owner) ? owner : nullptr;
}

void CDialog::InitModalIndirect(const DLGTEMPLATE* dlgTemplate, CWnd* parent) {
    m_lpDialogTemplate = dlgTemplate;
    m_pParentWnd = parent;
}

INT_PTR CDialog::DoModal() {
    const DLGTEMPLATE* tmpl = FindTemplate();
    if (!tmpl) return -1;
    m_bModal = true;
    INT_PTR result;
    {
        CreatingDialog creating(this);
        result = DialogBoxIndirectParamW(AfxGetInstanceHandle(), tmpl, GetOwnerForModal(),
                                         &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
    }
    m_bModal = false;
    return result;
}

bool CDialog::Create(UINT templateId, CWnd* parent) {
    m_nIDTemplate = templateId;
    m_pParentWnd = parent;
    const DLGTEMPLATE* tmpl = FindTemplate();
    return tmpl && CreateIndirect(tmpl, parent);
}

bool CDialog::CreateIndirect(const DLGTEMPLATE* dlgTemplate, CWnd* parent) {
    m_pParentWnd = parent;
    HWND hwnd;
    {
        CreatingDialog creating(this);
        hwnd = CreateDialogIndirectParamW(AfxGetInstanceHandle(), dlgTemplate,
                                          parent ? parent->m_hWnd : nullptr, &CDialog::DialogProc,
                                          reinterpret_cast<LPARAM>(this));
    }
    // Destroyed during its set-up: not every system answers null for that.
    return hwnd != nullptr && ::IsWindow(hwnd);
}

void CDialog::EndDialog(int result) {
    if (m_hWnd) ::EndDialog(m_hWnd, result);
}

bool CDialog::OnInitDialog() {
    UpdateData(false);
    return true;
}

void CDialog::OnOK() {
    if (UpdateData(true)) EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

void CDialog::DoDataExchange(CDataExchange*) {}

bool CDialog::UpdateData(bool saveAndValidate) {
    CDataExchange dx(this, saveAndValidate);
    try {
        DoDataExchange(&dx);
        return true;
    } catch (const CUserException&) {
    } catch (...) {
        AfxReportException(std::current_exception());
    }
    return false;
}

bool CDialog::PreTranslateMessage(MSG* msg) {
    // Modal dialogs run the system's own loop; modeless ones get the dialog keys here.
    return m_hWnd && !m_bModal && ::IsDialogMessageW(m_hWnd, msg);
}

// --- data exchange --------------------------------------------------------------------------

HWND CDataExchange::PrepareCtrl(int id) {
    m_hLastControl = m_pDlgWnd->GetDlgItem(id);
    m_bEditLastControl = false;
    return m_hLastControl;
}

HWND CDataExchange::PrepareEditCtrl(int id) {
    HWND hwnd = PrepareCtrl(id);
    m_bEditLastControl = true;
    return hwnd;
}

void CDataExchange::Fail() {
    if (m_bSaveAndValidate && m_hLastControl) {
        ::SetFocus(m_hLastControl);
        if (m_bEditLastControl) ::SendMessageW(m_hLastControl, EM_SETSEL, 0, -1);
    }
    throw CUserException();
}

namespace {
std::wstring ControlText(HWND hwnd) {
    int n = GetWindowTextLengthW(hwnd);
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    n = GetWindowTextW(hwnd, text.data(), n + 1);
    text.resize(static_cast<size_t>(n > 0 ? n : 0));
    return text;
}

// A whole decimal number within int, blanks around allowed.
bool ParseInt(const std::wstring& text, int& value) {
    size_t i = 0, n = text.size();
    while (i < n && std::iswspace(text[i]))
        ++i;
    while (n > i && std::iswspace(text[n - 1]))
        --n;
    bool negative = false;
    if (i < n && (text[i] == L'-' || text[i] == L'+')) negative = text[i++] == L'-';
    if (i == n) return false;
    long long v = 0;
    for (; i < n; ++i) {
        if (text[i] < L'0' || text[i] > L'9') return false;
        v = v * 10 + (text[i] - L'0');
        if (v > 2147483648LL) return false;
    }
    if (negative) v = -v;
    if (v > 2147483647LL) return false;
    value = static_cast<int>(v);
    return true;
}
} // namespace

void DDX_Check(CDataExchange* dx, int id, int& value) {
    HWND hwnd = dx->PrepareCtrl(id);
    if (dx->m_bSaveAndValidate)
        value = static_cast<int>(::SendMessageW(hwnd, BM_GETCHECK, 0, 0));
    else
        ::SendMessageW(hwnd, BM_SETCHECK, static_cast<WPARAM>(value >= 0 && value <= 2 ? value : 0),
                       0);
}

void DDX_Text(CDataExchange* dx, int id, int& value) {
    HWND hwnd = dx->PrepareEditCtrl(id);
    if (!dx->m_bSaveAndValidate) {
        ::SetWindowTextW(hwnd, std::to_wstring(value).c_str());
        return;
    }
    int parsed = 0;
    if (!ParseInt(ControlText(hwnd), parsed)) {
        AfxMessageBox(L"Введите целое число.", MB_OK | MB_ICONEXCLAMATION);
        dx->Fail();
    }
    value = parsed;
}

void DDX_Text(CDataExchange* dx, int id, std::wstring& value) {
    HWND hwnd = dx->PrepareEditCtrl(id);
    if (dx->m_bSaveAndValidate)
        value = ControlText(hwnd);
    else
        ::SetWindowTextW(hwnd, value.c_str());
}

void DDV_MinMaxInt(CDataExchange* dx, int value, int minValue, int maxValue) {
    if (!dx->m_bSaveAndValidate || (value >= minValue && value <= maxValue)) return;
    AfxMessageBox(L"Введите целое число от " + std::to_wstring(minValue) + L" до " +
                      std::to_wstring(maxValue) + L".",
                  MB_OK | MB_ICONEXCLAMATION);
    dx->Fail();
}
