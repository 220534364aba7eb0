#include "app/show_status.h"

#include "document/kiv_doc.h"
#include "frame/mainframe.h"
#include "framework/app.h"
#include "view/kiv_view.h"

namespace {
std::wstring FileName(const std::wstring& path) {
    const auto slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}
} // namespace

std::wstring ShowStatusLine() {
    auto* frame = dynamic_cast<CMainFrame*>(AfxGetMainWnd());
    if (!frame || !frame->m_bRunning) return L"Ничего не играет. Расписания нет.";
    CKIVView* view = frame->PatternView();
    const CKIVDoc* doc = view ? view->GetDocument() : nullptr;
    const std::wstring name = doc ? FileName(doc->GetPathName()) : std::wstring();
    return L"Играет " + (name.empty() ? std::wstring(L"БезИмени") : name) +
           L". Расписания нет.";
}
