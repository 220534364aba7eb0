#include "frame_session.h"

#include "app/resource.h"
#include "framework/afxmsg.h"

#include <commctrl.h>

namespace kivdrv {
namespace {

constexpr int kViewId = 0xE900; // the frame's first pane
// The pattern grid's geometry with the system font: rows of 15 pixels, two header rows, a
// fixed column half a row wide, cells 27 pixels wide.
constexpr int kRowHeight = 15;
constexpr int kHeaderRows = 2;
constexpr int kFixedWidth = 7;
constexpr int kColumnWidth = 27;

HWND ChildWithId(HWND parent, int id) {
    for (HWND child : ChildWindows(parent))
        if (GetDlgCtrlID(child) == id) return child;
    return nullptr;
}

// Memory of another process, freed with its owner.
class CRemoteBuffer {
public:
    CRemoteBuffer(HANDLE process, size_t size)
        : m_process(process),
          m_address(VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE)) {}
    ~CRemoteBuffer() {
        if (m_address) VirtualFreeEx(m_process, m_address, 0, MEM_RELEASE);
    }
    CRemoteBuffer(const CRemoteBuffer&) = delete;
    CRemoteBuffer& operator=(const CRemoteBuffer&) = delete;
    void* Address() const { return m_address; }

private:
    HANDLE m_process;
    void* m_address;
};

} // namespace

std::vector<std::uint8_t> CmbFile(const std::vector<std::uint8_t>& lines) {
    std::vector<std::uint8_t> bytes{10, 0, 0, 0, static_cast<std::uint8_t>(lines.size()), 0};
    for (std::uint8_t row : lines)
        for (int j = 0; j < 8; ++j) {
            bytes.push_back((row >> j) & 1);
            bytes.insert(bytes.end(), 3, 0);
        }
    return bytes;
}

void ClearKivRegistry() {
    DeleteRegTree(L"Software\\Автомат световых эффектов");
    DeleteRegTree(L"Software\\Classes\\.cmb");
    DeleteRegTree(L"Software\\Classes\\АвтоматСветовыхЭффектов.Документ");
}

CKivSession::CKivSession(const CTempDir& work, const std::wstring& lpt,
                         std::vector<std::wstring> args, std::chrono::milliseconds startWait)
    : m_work(work.Path()), m_process(KivStart(work.Path(), lpt, std::move(args))) {
    // A message box shown before the frame carries the same title: not the frame.
    const auto frameShown = [&] {
        for (HWND w : FindTopLevelWindows({kKivTitle, std::nullopt, m_process.Id(), true}))
            if (WindowClass(w) != L"#32770") m_frame = w;
        return m_frame != nullptr;
    };
    WaitUntil(frameShown, startWait);
    // The first idle pass has filled the current-row pane once it shows a row.
    if (m_frame) WaitUntil([&] { return Pane(1).starts_with(L"Текущая строка"); });
}

CKivSession::~CKivSession() {
    if (m_process.IsRunning()) m_process.Kill();
}

HWND CKivSession::View() const {
    return ChildWithId(m_frame, kViewId);
}
HWND CKivSession::StatusBar() const {
    return ChildWithId(m_frame, AFX_IDW_STATUS_BAR);
}

std::wstring CKivSession::Pane(int index) const {
    HWND bar = StatusBar();
    if (!bar) return {};
    constexpr size_t kChars = 256;
    CRemoteBuffer buffer(m_process.Handle(), kChars * sizeof(wchar_t));
    if (!buffer.Address()) return {};
    const LRESULT length = SendMessageW(bar, SB_GETTEXTLENGTHW, static_cast<WPARAM>(index), 0);
    if (LOWORD(length) >= kChars) return {};
    SendMessageW(bar, SB_GETTEXTW, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(buffer.Address()));
    wchar_t text[kChars] = {};
    SIZE_T read = 0;
    ReadProcessMemory(m_process.Handle(), buffer.Address(), text, sizeof text, &read);
    text[kChars - 1] = 0;
    return text;
}

bool CKivSession::WaitForRowPane(int row) const {
    const std::wstring want = L"Текущая строка  " + std::to_wstring(row);
    return WaitUntil([&] { return Pane(1) == want; }, 5s);
}

void CKivSession::Press(std::initializer_list<WORD> keys) const {
    // Activating again would move the focus back to the view.
    if (GetForegroundWindow() != m_frame) BringToFront(m_frame);
    SendKeys(keys);
}

void CKivSession::ClickCell(int col, int row) const {
    BringToFront(m_frame);
    ClickClient(View(), {kFixedWidth + col * kColumnWidth + kColumnWidth / 2,
                         (kHeaderRows + row) * kRowHeight + kRowHeight / 2});
}

HWND CKivSession::WaitForDialog(const std::wstring& title,
                                std::chrono::milliseconds timeout) const {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            found = FindTopLevelWindow({title, L"#32770", m_process.Id(), true});
            return found != nullptr;
        },
        timeout);
    return found;
}

void CKivSession::ClickPanelButton(int id) const {
    BringToFront(m_frame);
    HWND button = GetDlgItem(ChildWithId(m_frame, IDD_COMMAND_PANEL), id);
    RECT r{};
    GetClientRect(button, &r);
    ClickClient(button, {r.right / 2, r.bottom / 2});
}

HWND CKivSession::WaitForBox(std::chrono::milliseconds timeout) const {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            found = FindTopLevelWindow({kKivTitle, L"#32770", m_process.Id(), true});
            return found != nullptr;
        },
        timeout);
    return found;
}

bool CKivSession::CloseAndWait() const {
    PostMessageW(m_frame, WM_CLOSE, 0, 0);
    return m_process.Wait(20s) == 0u;
}

std::vector<tavo::TraceRecord> CKivSession::Trace() const {
    return ReadTrace(m_work / kTraceFileName).value_or(std::vector<tavo::TraceRecord>{});
}

std::vector<tavo::TraceRecord> Calls(const std::vector<tavo::TraceRecord>& trace,
                                     const std::string& call) {
    std::vector<tavo::TraceRecord> calls;
    for (const auto& record : trace)
        if (record.call == call) calls.push_back(record);
    return calls;
}

} // namespace kivdrv
