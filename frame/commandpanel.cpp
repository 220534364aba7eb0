#include "commandpanel.h"

#include "app/globals.h"
#include "app/resource.h"
#include "frame/port_file.h"
#include "framework/file.h"

#include <cstring>

// Zero until the panel reads "slider.cst": a short file fills only its own bytes.
std::atomic<int> g_nDelay{0};

BEGIN_MESSAGE_MAP(CCommandPanel, CDialogBar)
    On<WM_CREATE, &CCommandPanel::OnCreate>(), On<WM_PAINT, &CCommandPanel::OnPaint>(),
        On<WM_HSCROLL, &CCommandPanel::OnHScroll>(), On<WM_DESTROY, &CCommandPanel::OnDestroy>(),
END_MESSAGE_MAP()

namespace {
struct ButtonSpec {
    UINT id;
    UINT icon;
    const wchar_t* caption;
    RECT rect;
};
constexpr ButtonSpec kButtons[CCommandPanel::kButtonCount] = {
    {ID_FILE_NEW_RC, IDI_NEW, L"Новый", {4, 15, 48, 59}},
    {ID_FILE_OPEN_RC, IDI_OPEN, L"Открыть", {52, 15, 96, 59}},
    {ID_FILE_SAVE_RC, IDI_SAVE, L"Сохранить", {110, 15, 154, 59}},
    {ID_APP_ABOUT_RC, IDI_ABOUT, L"О программе ...", {177, 15, 217, 59}},
    {ID_CMD_ADD_ROWS, IDI_ADD_ROWS, L"Добавить строку", {4, 106, 48, 150}},
    {ID_CMD_DELETE_ROW, IDI_DELETE_ROW, L"Удалить строку", {71, 106, 115, 150}},
    {ID_CMD_START, IDI_START, L"Пуск", {131, 106, 175, 150}},
    {ID_CMD_STOP, IDI_STOP, L"Стоп", {173, 106, 217, 150}},
    {ID_CMD_SETTINGS, IDI_SETTINGS, L"Настройка", {215, 106, 259, 150}},
};
constexpr size_t kOneLineButton = 3; // "О программе ..." stays on one line

// Etched lines: shadow first, then the highlight one pixel below or right of it.
struct Line {
    POINT from, to;
};
constexpr Line kShadowLines[] = {{{0, 0}, {0, 335}},
                                 {{0, 0}, {286, 0}},
                                 {{2, 89}, {286, 89}},
                                 {{2, 189}, {286, 189}},
                                 {{0, 335}, {286, 335}}};
constexpr Line kHighlightLines[] = {{{1, 1}, {1, 335}},
                                    {{1, 1}, {286, 1}},
                                    {{2, 90}, {286, 90}},
                                    {{2, 190}, {286, 190}},
                                    {{0, 336}, {286, 336}}};
} // namespace

bool CCommandPanel::Create(CWnd* parent) {
    return CDialogBar::Create(parent, IDD_COMMAND_PANEL,
                              WS_CHILD | WS_VISIBLE | CBRS_RIGHT | CBRS_TOOLTIPS | CBRS_FLYBY,
                              IDD_COMMAND_PANEL);
}

std::wstring CCommandPanel::SpeedFilePath() {
    return g_strWorkDir + L"\\slider.cst";
}

int CCommandPanel::OnCreate(LPCREATESTRUCT) {
    if (Default() == -1) return -1;
    m_font.CreatePointFont(80, L"MS Sans Serif");
    if (!CreateButtons()) return -1;
    m_wndSlider.Create(WS_CHILD | WS_VISIBLE | WS_TABSTOP | TBS_TOP, CRect(8, 250, 280, 290),
                       m_hWnd, ID_CMD_SPEED);
    m_wndSlider.SetRange(kMinDelay, kMaxDelay, false);
    LoadSpeed();
    m_wndSpeedGroup.Create(L"Скорость", WS_CHILD | WS_VISIBLE | BS_GROUPBOX,
                           CRect(4, 210, 285, 295), m_hWnd, 99);
    m_wndSpeedGroup.SetFont(m_font);
    const std::pair<const wchar_t*, RECT> labels[] = {{L"Высокая", {10, 230, 100, 245}},
                                                      {L"Низкая", {239, 230, 280, 245}}};
    for (size_t i = 0; i < m_labels.size(); ++i) {
        m_labels[i] = std::make_unique<CStatic>();
        m_labels[i]->Create(labels[i].first, WS_CHILD | WS_VISIBLE, labels[i].second, m_hWnd);
        m_labels[i]->SetFont(m_font);
    }
    return 0;
}

bool CCommandPanel::CreateButtons() {
    // Each caption is measured before its button exists, so the button is created at its
    // final size: a window moved after its creation costs a round of messages and round trips.
    CMemoryDC measure(1, 1);
    for (size_t i = 0; i < kButtonCount; ++i) {
        const ButtonSpec& spec = kButtons[i];
        auto button = std::make_unique<COXBitmapButton>();
        // Caption and alignment given at creation: each later change is another round trip.
        const DWORD style =
            WS_CHILD | WS_VISIBLE | BS_CENTER | BS_TOP | (i != kOneLineButton ? BS_MULTILINE : 0);
        button->SetTrackLook(true);
        button->SetHyperLook(true);
        button->LoadIcon(spec.icon, true);
        const CSize size = button->ContentSize(measure, m_font, style, spec.caption);
        const CRect rect(spec.rect.left, spec.rect.top, spec.rect.left + size.cx,
                         spec.rect.top + size.cy);
        if (!button->Create(spec.caption, style, rect, m_hWnd, spec.id)) return false;
        button->SetFont(m_font, false); // not shown yet
        m_buttons[i] = std::move(button);
    }
    return true;
}

void CCommandPanel::LoadSpeed() {
    CFile file;
    if (!file.Open(SpeedFilePath(), CFile::modeRead | CFile::shareDenyWrite)) {
        m_wndSlider.SetPos(kDefaultDelay);
        // A close before the first idle pass must not store 0 over the default.
        g_nDelay = kDefaultDelay;
        return;
    }
    // Little-endian: a short file replaces only the low-order bytes it holds.
    int value = g_nDelay.load();
    static_assert(sizeof(value) == 4);
    unsigned char bytes[4];
    std::memcpy(bytes, &value, sizeof(bytes));
    file.Read(bytes, sizeof(bytes));
    std::memcpy(&value, bytes, sizeof(value));
    g_nDelay = value;
    m_wndSlider.SetPos(value);
}

void CCommandPanel::StoreSpeed() {
    WriteSettingsFile(SpeedFilePath(), static_cast<std::uint32_t>(g_nDelay.load()));
}

void CCommandPanel::OnPaint() {
    CPaintDC dc(m_hWnd);
    CPen shadow(PS_SOLID, 1, ::GetSysColor(COLOR_BTNSHADOW));
    CPen highlight(PS_SOLID, 1, ::GetSysColor(COLOR_BTNHIGHLIGHT));
    auto draw = [&](const CPen& pen, std::span<const Line> lines) {
        ScopedSelectObject use(dc, pen);
        for (const Line& l : lines) {
            ::MoveToEx(dc, l.from.x, l.from.y, nullptr);
            ::LineTo(dc, l.to.x, l.to.y);
        }
    };
    draw(shadow, kShadowLines);
    draw(highlight, kHighlightLines);
}

void CCommandPanel::OnHScroll(UINT, UINT, HWND) {
    g_nDelay = m_wndSlider.GetPos();
    Default();
}

void CCommandPanel::OnDestroy() {
    CDialogBar::OnDestroy();
    StoreSpeed();
}
