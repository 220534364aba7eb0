// "Проверить": a running light over D0..D7 on each ticked output in turn, then every line
// off, on a thread of its own so that the window stays alive meanwhile.
#pragma once

#include <windows.h>

#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tavo/settings/settings.h"

namespace tavo {

// One output to check: its row in the list and its kind.
struct CheckItem {
    std::size_t row = 0;
    BackendKind kind = BackendKind::Virtual;
};

class COutputCheck {
public:
    // Checks `items` with the settings of `text`, posting `message` to `window` at each news.
    // The settings are those of `text` under the variables `env` gives, as a session reads them.
    // The light runs on the port at `port` (the one the program drives), 0 for the first.
    COutputCheck(HWND window, UINT message, std::string text, CSettings::EnvLookup env,
                 std::vector<CheckItem> items, HMODULE self, std::uint32_t port = 0);
    // Asks the thread to stop between two steps and waits for it.
    ~COutputCheck() = default;
    COutputCheck(const COutputCheck&) = delete;
    COutputCheck& operator=(const COutputCheck&) = delete;

    // The result of each row so far: "работает", or why not.
    std::map<std::size_t, std::wstring> Results() const;
    bool Done() const;

private:
    void Run(const std::stop_token& stop);
    std::wstring Check(BackendKind kind, const std::stop_token& stop);
    void Report(std::size_t row, std::wstring result, bool done = false);

    const HWND m_window;
    const UINT m_message;
    const std::string m_text;
    const CSettings::EnvLookup m_env;
    const std::vector<CheckItem> m_items;
    const HMODULE m_self;
    const std::uint32_t m_port;
    mutable std::mutex m_mutex; // guards the two below
    std::map<std::size_t, std::wstring> m_results;
    bool m_done = false;
    std::jthread m_thread; // last: it starts when everything above is ready
};

} // namespace tavo
