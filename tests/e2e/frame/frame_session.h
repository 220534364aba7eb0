// One kiv.exe started for a frame test: its windows, the current-row pane, the program's
// dialogs, and the port trace.
#pragma once

#include "driver/driver.h"

#include <filesystem>
#include <string>
#include <vector>

namespace kivdrv {

inline const std::wstring kAddRowsTitle = L"Добавить строку";
inline const std::wstring kSettingsTitle = L"Настройка";

class CKivSession {
public:
    // Starts kiv.exe in `work` with the ports `lpt` and `args`; waits for its window, at
    // most `startWait`.
    CKivSession(const CTempDir& work, const std::wstring& lpt = L"378,0,0",
                std::vector<std::wstring> args = {},
                std::chrono::milliseconds startWait = 10s);
    ~CKivSession();

    const CProcess& Process() const { return m_process; }
    HWND Frame() const { return m_frame; }
    HWND View() const;
    HWND StatusBar() const;

    // Text of status pane `index` (1: the current row).
    std::wstring Pane(int index) const;
    // Waits until the current-row pane shows "Текущая строка  <row>".
    bool WaitForRowPane(int row) const;

    // A key (or combination) as a user presses it, with the frame in front.
    void Press(std::initializer_list<WORD> keys) const;
    // A left click on data cell (col, row) of the pattern grid.
    void ClickCell(int col, int row) const;

    // The process's dialog with `title`; null after the timeout.
    HWND WaitForDialog(const std::wstring& title, std::chrono::milliseconds timeout = 10s) const;
    // A click on the command panel's button for command `id`.
    void ClickPanelButton(int id) const;
    // The process's message box (captioned with the program's title); null after the timeout.
    HWND WaitForBox(std::chrono::milliseconds timeout = 10s) const;

    // Closes the window as the close box does and waits for the process to end.
    bool CloseAndWait() const;

    std::vector<tavo::TraceRecord> Trace() const;
    std::filesystem::path WorkFile(const wchar_t* name) const { return m_work / name; }

private:
    std::filesystem::path m_work;
    CProcess m_process;
    HWND m_frame = nullptr;
};

// A combination file: version 10, short row count, then 8 cells of 4 bytes per row; row i
// of `lines` has the lines of its bits ticked.
std::vector<std::uint8_t> CmbFile(const std::vector<std::uint8_t>& lines);

// Profile and shell registration of the program, removed before and after each test.
void ClearKivRegistry();

// The calls named `call` in a trace, in order.
std::vector<tavo::TraceRecord> Calls(const std::vector<tavo::TraceRecord>& trace,
                                     const std::string& call);

} // namespace kivdrv
