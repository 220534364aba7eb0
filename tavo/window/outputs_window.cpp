#include "tavo/window/outputs_window.h"

#include <commctrl.h>
#include <dbt.h>

#include <algorithm>
#include <memory>
#include <span>
#include <utility>

#include "tavo/backends/driver_loader.h"
#include "tavo/settings/config_source.h"
#include "tavo/window/output_check.h"
#include "tavo/window/output_search.h"
#include "tavo/window/outputs_ids.h"

namespace tavo {
namespace {

constexpr UINT kCheckNews = WM_APP + 1;
constexpr COLORREF kProblemColour = RGB(192, 0, 0);

// The list view, from comctl32.dll loaded when the window is first shown: tavo.dll
// imports no more than a program's start needs.
struct ComctlApi {
    static constexpr char kDll[] = "comctl32.dll";
    decltype(&::InitCommonControlsEx) InitCommonControlsEx;
    bool Bind(CSystemExports& dll) {
        return dll.Find("InitCommonControlsEx", InitCommonControlsEx);
    }
};

// A field: its control, its key, its name in a problem, where its problem shows, and the
// values of a list (empty for an edit box).
struct FieldControl {
    int id;
    std::string_view key;
    std::wstring_view label;
    int problemId;
    std::span<const Choice> choices;
};
constexpr FieldControl kFieldControls[] = {
    {IDC_PROTOCOL, "serial_protocol", L"Протокол", IDC_SERIAL_PROBLEM, kProtocols},
    {IDC_BAUD, "serial_baud", L"Скорость", IDC_SERIAL_PROBLEM, {}},
    {IDC_DTR, "serial_dtr", L"DTR и RTS", IDC_SERIAL_PROBLEM, kDtrChoices},
    {IDC_TARGET, "net_target", L"Приёмник", IDC_NET_PROBLEM, {}},
    {IDC_UNIVERSE, "universe", L"Вселенная", IDC_NET_PROBLEM, {}},
    {IDC_CHANNEL, "channel", L"Первый канал", IDC_NET_PROBLEM, {}},
    {IDC_LEVEL, "level", L"Уровень", IDC_NET_PROBLEM, {}},
    {IDC_BRIDGE, "bridge", L"Помощник", IDC_BRIDGE_PROBLEM, {}},
};
constexpr int kProblemIds[] = {IDC_SERIAL_PROBLEM, IDC_NET_PROBLEM, IDC_BRIDGE_PROBLEM};

enum Column { kName, kFound, kResult };

// The environment twin of a key.
std::string_view EnvName(std::string_view key) {
    const auto found = std::ranges::find(kSettingKeys, key, &SettingKey::name);
    return found == std::end(kSettingKeys) ? std::string_view() : found->env;
}

std::wstring SystemMessage(DWORD error) {
    wchar_t* text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                       FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = text ? text : L"ошибка " + std::to_wstring(error);
    LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r'))
        message.pop_back();
    return message;
}

// Where the controls go as the dialog is resized: the list takes the new room; what is
// below it moves down; the network group and the buttons at its right move right; the
// lines across the whole width stretch.
class CDialogLayout {
public:
    void Take(HWND dialog) {
        RECT client{}, window{};
        GetClientRect(dialog, &client);
        GetWindowRect(dialog, &window);
        m_size = {client.right, client.bottom};
        m_minimum = {window.right - window.left, window.bottom - window.top};
        const auto list = Place(dialog, GetDlgItem(dialog, IDC_OUTPUT_LIST));
        const auto net = Place(dialog, GetDlgItem(dialog, IDC_NET_GROUP));
        m_controls.clear();
        for (HWND child = GetWindow(dialog, GW_CHILD); child;
             child = GetWindow(child, GW_HWNDNEXT)) {
            const auto at = Place(dialog, child);
            const bool isList = GetDlgCtrlID(child) == IDC_OUTPUT_LIST;
            m_controls.push_back({child, at, !isList && at.top >= list.bottom, at.left >= net.left,
                                  at.left < net.left && at.right > net.left, isList});
        }
    }

    void Fit(HWND dialog) const {
        RECT client{};
        GetClientRect(dialog, &client);
        const int dx = std::max(0L, client.right - m_size.x);
        const int dy = std::max(0L, client.bottom - m_size.y);
        HDWP moves = BeginDeferWindowPos(int(m_controls.size()));
        for (const auto& c : m_controls) {
            RECT r = c.at;
            if (c.down) OffsetRect(&r, 0, dy);
            if (c.right) OffsetRect(&r, dx, 0);
            if (c.wide) r.right += dx;
            if (c.grows) r.bottom += dy;
            if (moves)
                moves = DeferWindowPos(moves, c.window, nullptr, r.left, r.top, r.right - r.left,
                                       r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
        }
        if (moves) EndDeferWindowPos(moves);
        InvalidateRect(dialog, nullptr, TRUE);
    }

    POINT MinimumSize() const { return m_minimum; }

private:
    struct Control {
        HWND window;
        RECT at;    // as the template placed it, in the dialog's client area
        bool down;  // below the list
        bool right; // in the network group's column
        bool wide;  // across both columns
        bool grows; // the list
    };

    static RECT Place(HWND dialog, HWND child) {
        RECT r{};
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }

    POINT m_size{};
    POINT m_minimum{};
    std::vector<Control> m_controls;
};

class COutputsDialog {
public:
    COutputsDialog(HMODULE self, std::uint32_t port)
        : m_self(self), m_port(port), m_files(SettingsFilesOf(self)), m_path(FileRead(m_files)),
          m_env(SnapshotEnvironment()) {
        m_file = ReadSettingsFile(m_path, m_whole).value_or(IniFileText{});
        // What runs: the environment over the file; and the file alone, which the user's
        // edits go onto.
        CQuietReporter quiet;
        const auto devices = MakeSystemPortDevices(quiet)->Present();
        CSettings settings(m_env, m_file.text);
        auto fileAlone = FileSettings(m_file.text);
        const auto found = FindOutputs(self, settings);
        m_opened = StateOf(found, settings, devices);
        m_onFile = StateOf(found, fileAlone, devices);
        m_rows = m_opened.rows;
        m_fields = m_opened.fields;
    }

    bool Show(HWND owner) {
        return DialogBoxParamW(m_self, MAKEINTRESOURCEW(IDD_TAVO_OUTPUTS), owner, DialogProc,
                               reinterpret_cast<LPARAM>(this)) == IDOK;
    }

private:
    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_INITDIALOG) SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        auto* self = reinterpret_cast<COutputsDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
        if (!self) return FALSE;
        try {
            if (message == WM_INITDIALOG) self->m_dialog = dialog;
            return self->Handle(message, wParam, lParam);
        } catch (...) {
            return FALSE;
        }
    }

    INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam) {
        switch (message) {
        case WM_INITDIALOG:
            OnInit();
            return TRUE;
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header->idFrom == IDC_OUTPUT_LIST && header->code == LVN_ITEMCHANGED)
                OnItemChanged(*reinterpret_cast<const NMLISTVIEW*>(lParam));
            return FALSE;
        }
        case WM_CTLCOLORSTATIC:
            return OnStaticColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        case kCheckNews:
            OnCheckNews();
            return TRUE;
        case kProgramEnds:
            OnProgramEnds();
            return TRUE;
        case WM_DEVICECHANGE:
            if (wParam == DBT_DEVNODES_CHANGED || wParam == DBT_DEVICEARRIVAL ||
                wParam == DBT_DEVICEREMOVECOMPLETE)
                FindAgain();
            return TRUE;
        case WM_SIZE:
            m_layout.Fit(m_dialog);
            FitColumns();
            return TRUE;
        case WM_GETMINMAXINFO:
            reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = m_layout.MinimumSize();
            return TRUE;
        case WM_DESTROY:
            m_check.reset();
            return FALSE;
        }
        return FALSE;
    }

    void OnInit() {
        m_list = GetDlgItem(m_dialog, IDC_OUTPUT_LIST);
        m_layout.Take(m_dialog);
        SendMessageW(m_list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                     LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_LABELTIP);
        RECT client{};
        GetClientRect(m_list, &client);
        const int width = client.right - GetSystemMetrics(SM_CXVSCROLL);
        const std::pair<const wchar_t*, int> columns[] = {{L"Выход", width * 30 / 100},
                                                          {L"Что найдено", width * 50 / 100},
                                                          {L"Проверка", width * 20 / 100}};
        for (int i = 0; i < 3; ++i) {
            LVCOLUMNW column{};
            column.mask = LVCF_TEXT | LVCF_WIDTH;
            column.pszText = const_cast<wchar_t*>(columns[i].first);
            column.cx = columns[i].second;
            SendMessageW(m_list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
        }
        InsertRows();
        m_filling = true;
        for (const auto& field : kFieldControls) {
            const auto control = GetDlgItem(m_dialog, field.id);
            const auto value = m_fields[std::string(field.key)];
            EnableWindow(control, !m_env(EnvName(field.key)));
            if (field.choices.empty()) {
                SetWindowTextW(control, WidenAscii(value).c_str());
                continue;
            }
            for (const auto& choice : field.choices)
                SendMessageW(control, CB_ADDSTRING, 0,
                             reinterpret_cast<LPARAM>(std::wstring(choice.text).c_str()));
            const auto selected = ChoiceIndex(field.choices, value);
            SendMessageW(control, CB_SETCURSEL, selected ? WPARAM(*selected) : WPARAM(-1), 0);
        }
        m_filling = false;
        ShowRows();
        Validate();
        SetDlgItemTextW(m_dialog, IDC_SETTINGS_FILE, (L"Файл настроек: " + m_path).c_str());
        SetDlgItemTextW(m_dialog, IDC_ENVIRONMENT, EnvironmentNote().c_str());
        if (!m_whole)
            SetDlgItemTextW(m_dialog, IDC_CHECK_SUMMARY,
                            L"Файл настроек не прочитан целиком (его держит другая программа, или "
                            L"он длиннее 64 КБ): окно не сможет его сохранить.");
        SetFocus(m_list);
        ListView_SetItemState(m_list, 0, LVIS_FOCUSED | LVIS_SELECTED,
                              LVIS_FOCUSED | LVIS_SELECTED);
    }

    void InsertRows() {
        m_filling = true;
        SendMessageW(m_list, LVM_DELETEALLITEMS, 0, 0);
        for (std::size_t i = 0; i < m_rows.size(); ++i) {
            LVITEMW item{};
            item.mask = LVIF_TEXT;
            item.iItem = int(i);
            item.pszText = const_cast<wchar_t*>(m_rows[i].name.c_str());
            SendMessageW(m_list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
        }
        m_filling = false;
    }

    // A device plugged in or out: the list as it is now, the user's ticks kept. Not while a
    // check runs, whose results are by row.
    void FindAgain() {
        if (m_check && !m_check->Done()) return;
        CSettings settings(m_env, m_file.text);
        auto rows = FindOutputs(m_self, settings);
        CarryTicks(m_rows, rows);
        m_rows = std::move(rows);
        m_results.clear();
        InsertRows();
        ShowRows();
        Validate();
    }

    // The variables that stand over the file, with their values: the window shows them and
    // leaves their fields alone, since a change in the file would not count.
    std::wstring EnvironmentNote() const {
        std::wstring names;
        for (const auto& key : kSettingKeys)
            if (const auto value = m_env(key.env))
                names += (names.empty() ? L"" : L", ") + WidenAscii(key.env) + L" = " +
                         WidenAscii(*value);
        return names.empty() ? names : L"Вместо файла действуют переменные окружения: " + names;
    }

    void SetCell(std::size_t row, int column, const std::wstring& text) {
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = const_cast<wchar_t*>(text.c_str());
        SendMessageW(m_list, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
    }

    // Ticks, what was found and the check's results, as the rows have them now.
    void ShowRows() {
        m_filling = true;
        for (std::size_t i = 0; i < m_rows.size(); ++i) {
            ListView_SetCheckState(m_list, i, m_rows[i].ticked);
            SetCell(i, kFound, FoundText(m_rows[i], m_fields));
            const auto result = m_results.find(i);
            SetCell(i, kResult, result == m_results.end() ? L"" : result->second);
        }
        m_filling = false;
        FitColumns();
    }

    // The names and the results as wide as their longest text; what was found takes the
    // rest of the list's width, its whole text in a tip where that is too narrow.
    void FitColumns() {
        if (!m_list) return;
        const auto width = [&](int column) {
            return int(SendMessageW(m_list, LVM_GETCOLUMNWIDTH, column, 0));
        };
        SendMessageW(m_list, LVM_SETCOLUMNWIDTH, kName, LVSCW_AUTOSIZE_USEHEADER);
        // The last column would fill the list with the header's own width: its text instead.
        SendMessageW(m_list, LVM_SETCOLUMNWIDTH, kResult, LVSCW_AUTOSIZE);
        const int header =
            int(SendMessageW(m_list, LVM_GETSTRINGWIDTHW, 0, LPARAM(L"Проверка"))) + 16;
        SendMessageW(m_list, LVM_SETCOLUMNWIDTH, kResult, std::max(width(kResult), header));
        RECT client{};
        GetClientRect(m_list, &client);
        const int rest = client.right - width(kName) - width(kResult);
        SendMessageW(m_list, LVM_SETCOLUMNWIDTH, kFound, std::max(rest, 120));
    }

    void OnItemChanged(const NMLISTVIEW& change) {
        if (m_filling || !(change.uChanged & LVIF_STATE) ||
            !((change.uNewState ^ change.uOldState) & LVIS_STATEIMAGEMASK) || change.iItem < 0)
            return;
        Tick(m_rows, std::size_t(change.iItem), ListView_GetCheckState(m_list, change.iItem));
        ShowRows();
        Validate();
    }

    void OnCommand(int id, int code) {
        if (id == IDOK) return OnOk();
        if (id == IDCANCEL) return (void)EndDialog(m_dialog, IDCANCEL);
        if (id == IDC_CHECK) return OnCheck();
        for (const auto& field : kFieldControls)
            if (field.id == id && !m_filling && (code == EN_CHANGE || code == CBN_SELCHANGE))
                OnFieldChanged(field);
    }

    void OnFieldChanged(const FieldControl& field) {
        const auto control = GetDlgItem(m_dialog, field.id);
        std::string value;
        if (field.choices.empty()) {
            std::wstring text(std::size_t(GetWindowTextLengthW(control)) + 1, L'\0');
            text.resize(std::size_t(GetWindowTextW(control, text.data(), int(text.size()))));
            value = ToAscii(text);
        } else {
            const auto index = SendMessageW(control, CB_GETCURSEL, 0, 0);
            if (index < 0 || std::size_t(index) >= field.choices.size()) return;
            value = field.choices[std::size_t(index)].value;
        }
        auto& current = m_fields[std::string(field.key)];
        // The baud follows the protocol while it is the protocol's default.
        if (field.key == "serial_protocol" && Trim(m_fields["serial_baud"]) == DefaultBaud(current))
            SetDlgItemTextW(m_dialog, IDC_BAUD, WidenAscii(DefaultBaud(value)).c_str());
        current = std::move(value);
        ShowRows();
        Validate();
    }

    // The user's changes as the file's own settings before and after them.
    std::pair<WindowSettings, WindowSettings> FileChange() const {
        const auto edited = EditsOnFile(m_onFile, m_opened, {m_rows, m_fields});
        return {SettingsOf(m_onFile.rows, m_onFile.fields), SettingsOf(edited.rows, edited.fields)};
    }

    // `text` with the user's changes but those in `keep`.
    std::string EditedText(std::string text, std::span<const std::string> keep = {}) const {
        CIniText ini(std::move(text));
        const auto [before, after] = FileChange();
        ApplyChanges(ini, before, after, DriverWorks(m_rows), keep);
        return ini.Text();
    }
    std::string EditedText() const { return EditedText(m_file.text); }

    // Each field's problem under its group; true when there is none.
    bool Validate() {
        m_problems = Problems(EditedText(), m_rows, m_env);
        std::map<int, std::wstring> texts;
        for (const int id : kProblemIds)
            texts[id];
        for (const auto& field : kFieldControls)
            if (const auto problem = m_problems.find(field.key); problem != m_problems.end()) {
                auto& text = texts[field.problemId];
                text += (text.empty() ? L"" : L"\n") + std::wstring(field.label) + L": " +
                        problem->second;
            }
        for (const auto& [id, text] : texts)
            SetDlgItemTextW(m_dialog, id, text.c_str());
        return std::ranges::all_of(texts, [](const auto& text) { return text.second.empty(); });
    }

    INT_PTR OnStaticColour(HDC dc, HWND control) {
        const int id = GetDlgCtrlID(control);
        if (std::ranges::find(kProblemIds, id) == std::end(kProblemIds)) return FALSE;
        SetTextColor(dc, kProblemColour);
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
    }

    void OnOk() {
        if (!ShowsSomething(m_rows))
            return Unsaved(L"Не сохранено: отметьте выход. Без него линии никуда не выводятся, "
                           L"и панели ламп, чтобы открыть это окно, тоже не будет.");
        if (!Validate()) {
            for (const auto& field : kFieldControls)
                if (m_problems.contains(field.key)) {
                    SetFocus(GetDlgItem(m_dialog, field.id));
                    break;
                }
            return Unsaved(L"Не сохранено: исправьте значения, отмеченные красным.");
        }
        if (const auto broken = TickedNotWorking(m_rows); !broken.empty()) {
            const auto question = L"Отмеченные выходы не работают:\n" + broken +
                                  L"\n\nВсё равно сохранить? Тогда при пуске вместо них будут "
                                  L"лампы на экране с пометкой.";
            if (MessageBoxW(m_dialog, question.c_str(), L"Выходы", MB_YESNO | MB_ICONWARNING) !=
                IDYES)
                return;
        }
        if (!m_whole)
            return Refuse(L"Файл настроек " + m_path +
                          L" не прочитан целиком; он оставлен как есть.");
        // Into the file the library reads now: a per-user file made meanwhile stands in place
        // of the one beside the DLL.
        const auto saved = SaveInto(FileRead(m_files));
        if (saved != Saved::No) EndDialog(m_dialog, saved == Saved::Yes ? IDOK : IDCANCEL);
    }

    enum class Saved { No, Unchanged, Yes };

    // The user's changes applied onto `path` as it is now, so what was written into it
    // meanwhile stays, and saved.
    Saved SaveInto(const std::wstring& path) {
        bool whole = true;
        const auto now = ReadSettingsFile(path, whole).value_or(IniFileText{{}, m_file.encoding});
        if (!whole)
            return Refuse(L"Файл настроек " + path + L" не прочитан целиком; он оставлен как есть."),
                   Saved::No;
        std::vector<std::string> keep;
        if (!AskAboutClashes(path, now.text, keep)) return Saved::No;
        const auto text = EditedText(now.text, keep);
        if (text == now.text) return Saved::Unchanged;
        const DWORD error = SaveSettingsFile(path, text, now.encoding);
        if (!error) return Saved::Yes;
        const auto why = L"Не удалось записать " + path + L":\n" + SystemMessage(error);
        if (path != m_files.beside || m_files.user.empty()) return Refuse(why), Saved::No;
        return SaveForUser(why, text, now.encoding);
    }

    // When beside the DLL fails: the per-user file, only if the user agrees, since it then
    // stands for every copy of the program. It stands in place of the one beside, not over
    // it, so it starts as that one, unless it was made meanwhile.
    Saved SaveForUser(const std::wstring& why, const std::string& text, IniEncoding encoding) {
        const auto question =
            why + L"\n\nЗаписать настройки в файл пользователя " + m_files.user +
            L"?\nОн будет действовать для всех копий программы у этого пользователя Windows, "
            L"а файл рядом с tavo.dll — нет, пока файл пользователя не удалён.";
        if (MessageBoxW(m_dialog, question.c_str(), L"Выходы", MB_YESNO | MB_ICONWARNING) != IDYES)
            return Saved::No;
        bool whole = true;
        auto saved = Saved::Yes;
        if (ReadSettingsFile(m_files.user, whole))
            saved = SaveInto(m_files.user);
        else if (const DWORD error = SaveSettingsFile(m_files.user, text, encoding))
            return Refuse(L"Не удалось записать " + m_files.user + L":\n" + SystemMessage(error)),
                   Saved::No;
        if (saved == Saved::Yes)
            MessageBoxW(m_dialog, (L"Настройки записаны в " + m_files.user + L".").c_str(),
                        L"Выходы", MB_OK | MB_ICONINFORMATION);
        return saved;
    }

    void Unsaved(const wchar_t* why) {
        MessageBeep(MB_ICONWARNING);
        SetDlgItemTextW(m_dialog, IDC_CHECK_SUMMARY, why);
    }

    // Keys the user changed that the file changed too since the window read it: the user
    // chooses whose values stay. False to go back to the window.
    bool AskAboutClashes(const std::wstring& path, const std::string& now,
                         std::vector<std::string>& keep) {
        // A file that was not there when the window opened was empty then.
        const auto [before, after] = FileChange();
        const auto clashes = Clashes(path == m_path ? m_file.text : "", now, before, after);
        if (clashes.empty()) return true;
        std::wstring keys;
        for (const auto& key : clashes)
            keys += (keys.empty() ? L"" : L", ") + WidenAscii(key);
        const auto question = L"Пока окно было открыто, файл " + path +
                              L" изменили, и в нём по-другому: " + keys +
                              L".\n\nДа — записать значения из окна.\nНет — оставить значения "
                              L"файла, записать остальное.\nОтмена — вернуться в окно.";
        const int answer =
            MessageBoxW(m_dialog, question.c_str(), L"Выходы", MB_YESNOCANCEL | MB_ICONQUESTION);
        if (answer == IDNO) keep = clashes;
        return answer != IDCANCEL;
    }

    void Refuse(const std::wstring& why) {
        MessageBoxW(m_dialog, why.c_str(), L"Выходы", MB_OK | MB_ICONERROR);
    }

    void OnCheck() {
        std::vector<CheckItem> items;
        for (std::size_t i = 0; i < m_rows.size(); ++i)
            if (m_rows[i].ticked && m_rows[i].kind != BackendKind::Virtual)
                items.push_back({i, m_rows[i].kind});
        if (items.empty()) {
            SetDlgItemTextW(m_dialog, IDC_CHECK_SUMMARY, L"Отметьте выход, который проверить.");
            return;
        }
        for (const auto& item : items)
            m_results.erase(item.row);
        // The focus leaves the button first: a disabled control cannot hold it.
        const HWND button = GetDlgItem(m_dialog, IDC_CHECK);
        if (GetFocus() == button) SendMessageW(m_dialog, WM_NEXTDLGCTL, WPARAM(m_list), TRUE);
        EnableWindow(button, FALSE);
        SetDlgItemTextW(m_dialog, IDC_CHECK_SUMMARY, L"Идёт проверка: бегущий огонь D0–D7…");
        m_checked = items;
        m_check = std::make_unique<COutputCheck>(m_dialog, kCheckNews, EditedText(), m_env,
                                                 std::move(items), m_self, m_port);
    }

    // Asked again until the window is gone; acts once.
    void OnProgramEnds() {
        if (std::exchange(m_programEnds, true)) return;
        m_check.reset();
        EnableWindow(GetDlgItem(m_dialog, IDC_CHECK), TRUE);
        if (EditedText() == m_file.text) return (void)EndDialog(m_dialog, IDCANCEL);
        SetForegroundWindow(m_dialog);
        if (MessageBoxW(m_dialog, L"Программа закрывается. Сохранить изменения выходов?", L"Выходы",
                        MB_YESNO | MB_ICONQUESTION) == IDYES)
            return OnOk(); // a problem keeps the window open for the user to finish
        EndDialog(m_dialog, IDCANCEL);
    }

    void OnCheckNews() {
        if (!m_check) return;
        for (auto& [row, result] : m_check->Results())
            m_results[row] = std::move(result);
        ShowRows();
        if (!m_check->Done()) return;
        std::wstring summary = L"Проверено: ";
        for (std::size_t i = 0; i < m_checked.size(); ++i) {
            const auto row = m_checked[i].row;
            summary += (i ? L"; " : L"") + m_rows[row].name + L" — " + m_results[row];
        }
        SetDlgItemTextW(m_dialog, IDC_CHECK_SUMMARY, summary.c_str());
        EnableWindow(GetDlgItem(m_dialog, IDC_CHECK), TRUE);
    }

    const HMODULE m_self;
    const std::uint32_t m_port; // the port a check lights; 0 for the first
    const SettingsFiles m_files;
    const std::wstring m_path; // the file the library reads
    const CSettings::EnvLookup m_env;
    IniFileText m_file; // as read
    bool m_whole = true;
    std::vector<OutputRow> m_rows;
    Fields m_fields;
    WindowState m_opened; // as the window opened: the environment over the file
    WindowState m_onFile; // as the file alone had it then
    std::map<std::string, std::wstring, std::less<>> m_problems;
    std::map<std::size_t, std::wstring> m_results;
    std::vector<CheckItem> m_checked;
    HWND m_dialog = nullptr;
    HWND m_list = nullptr;
    bool m_filling = false;
    bool m_programEnds = false;
    CDialogLayout m_layout;
    std::unique_ptr<COutputCheck> m_check;
};

} // namespace

bool ShowOutputsWindow(HWND owner, std::uint32_t port) {
    try {
        HMODULE self = nullptr;
        if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                    GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                reinterpret_cast<LPCWSTR>(&ShowOutputsWindow), &self))
            return false;
        CQuietReporter quiet;
        const auto* comctl = SystemApi<ComctlApi>(quiet, "window");
        INITCOMMONCONTROLSEX classes{sizeof classes, ICC_LISTVIEW_CLASSES};
        if (!comctl || !comctl->InitCommonControlsEx(&classes)) return false;
        COutputsDialog dialog(self, port);
        return dialog.Show(owner);
    } catch (...) {
        return false;
    }
}

} // namespace tavo
