// What boards on the far end of a serial port receive, decoded; and the trace's notes.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "driver/driver.h"
#include "tavo/settings/file_handle.h"
#include "tavo_copy.h"

namespace tavotest {

using Bytes = std::vector<std::uint8_t>;
using States = std::vector<int>;

// Plays `rows` on LPT1 as the program does, then 0 and the close; after the open and each
// row, `shown(row)` (0 for the open) when given, else a pause of `pauseMs`.
inline void Play(CTavo& tavo, const States& rows, DWORD pauseMs,
                 const std::function<void(int)>& shown = nullptr) {
    const auto handle = tavo.OpenPrt(0x378, 1, 1);
    if (shown) shown(0);
    for (const int row : rows) {
        tavo.W_P(handle, row, 0);
        shown ? shown(row) : Sleep(pauseMs);
    }
    tavo.W_P(handle, 0, 0);
    tavo.ClosePrt(handle);
}

inline States Distinct(const States& states) {
    States out;
    for (const int state : states)
        if (out.empty() || out.back() != state) out.push_back(state);
    return out;
}

// The lines after each 4-byte relay frame; `relays` gets the relay each frame names.
inline States DecodeLcus(const Bytes& b, States& relays) {
    EXPECT_EQ(b.size() % 4, 0u);
    States states;
    for (std::size_t i = 0, state = 0; i + 4 <= b.size(); i += 4) {
        const int relay = b[i + 1], on = b[i + 2];
        EXPECT_TRUE(b[i] == 0xA0 && relay >= 1 && relay <= 8 && on <= 1) << i;
        EXPECT_EQ(b[i + 3], (0xA0 + relay + on) & 0xFF) << "checksum at " << i;
        const std::size_t bit = std::size_t(1) << (relay - 1);
        state = on ? state | bit : state & ~bit;
        states.push_back(int(state));
        relays.push_back(relay);
    }
    return states;
}

// The lines of each DMX USB Pro packet: `level` on channel..channel+7, every other
// channel 0.
inline States DecodeEnttec(const Bytes& b, int channel, int level) {
    States states;
    for (std::size_t i = 0; i + 5 <= b.size();) {
        const std::size_t length = b[i + 2] | b[i + 3] << 8;
        EXPECT_TRUE(b[i] == 0x7E && b[i + 1] == 6 && b[i + 4] == 0) << "header at " << i;
        EXPECT_EQ(length, std::size_t(std::max(24, channel + 7) + 1));
        if (i + 5 + length > b.size()) return ADD_FAILURE() << "cut short", states;
        EXPECT_EQ(b[i + 4 + length], 0xE7) << "end at " << i;
        int lines = 0;
        for (std::size_t c = 1; c < length; ++c) {
            const int line = int(c) - channel, value = b[i + 4 + c];
            if (line >= 0 && line < 8 && value == level)
                lines |= 1 << line;
            else
                EXPECT_EQ(value, 0) << "channel " << c;
        }
        states.push_back(lines);
        i += 5 + length;
    }
    return states;
}

inline States WithOffAround(States rows) {
    rows.insert(rows.begin(), 0);
    rows.push_back(0);
    return rows;
}

// The lines shown once `got` has come, under the protocol `ini` names; none mid-frame.
inline std::optional<int> Shown(const std::string& ini, const Bytes& got) {
    const auto has = [&](const char* text) { return ini.find(text) != std::string::npos; };
    const auto setting = [&](const char* key) {
        return std::atoi(&ini[ini.find('=', ini.find(key)) + 1]);
    };
    States relays;
    if (got.empty() || (has("lcus") && got.size() % 4) || (has("enttec") && got.back() != 0xE7))
        return std::nullopt;
    if (has("lcus")) return DecodeLcus(got, relays).back();
    if (has("enttec")) return DecodeEnttec(got, setting("channel"), setting("level")).back();
    return got.back();
}

// Plays `rows` as the program does, each until the board shows it (the writer sends only
// the latest value, so a row written sooner may never be sent), then 0 and the close;
// returns what came to the file `capture` meanwhile: all of it, since a mark sent on the
// port once the library let go of it comes after the run's last byte.
inline Bytes PlayRun(const std::string& ini, const States& rows, const wchar_t* capture,
                     const std::optional<std::wstring>& trace = std::nullopt) {
    const auto captured = [&] { return kivdrv::ReadFileBytes(capture).value_or(Bytes{}); };
    const std::size_t before = captured().size();
    {
        CTavo tavo({std::nullopt, ini, trace});
        Play(tavo, rows, 0, [&](int row) {
            const auto shown = [&] {
                const Bytes got = captured();
                return got.size() > before && Shown(ini, {got.begin() + before, got.end()}) == row;
            };
            EXPECT_TRUE(kivdrv::WaitUntil(shown)) << "row " << row << " (0: the opening all-off)";
        });
    }
    const auto at = ini.find("serial_port = ") + 14;
    const auto port = "\\\\.\\" + ini.substr(at, ini.find('\n', at) - at);
    const std::string mark = "run over";
    EXPECT_TRUE(kivdrv::WaitUntil([&] {
        const auto file = tavo::AdoptFile(
            CreateFileA(port.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        DWORD written = 0;
        return file && WriteFile(file.get(), mark.data(), DWORD(mark.size()), &written, nullptr);
    })) << port;
    Bytes got;
    const bool marked = kivdrv::WaitUntil([&] {
        got = captured();
        return got.size() >= before + mark.size() && std::string(got.begin(), got.end()).ends_with(mark);
    });
    if (!marked) ADD_FAILURE() << "the mark never came";
    if (!marked) return {};
    return Bytes(got.begin() + std::ptrdiff_t(before), got.end() - std::ptrdiff_t(mark.size()));
}

// How many trace notes hold `text`.
inline long NoteCount(const std::filesystem::path& trace, std::string_view text) {
    const auto records = kivdrv::ReadTrace(trace).value_or(std::vector<tavo::TraceRecord>{});
    return std::ranges::count_if(records, [&](const tavo::TraceRecord& r) {
        return r.call == "note" && r.text.find(text) != std::string::npos;
    });
}
inline bool Noted(const std::filesystem::path& trace, std::string_view text) {
    return NoteCount(trace, text) > 0;
}

// Every note of the trace, a line each, for a failure's message.
inline std::string Notes(const std::filesystem::path& trace) {
    const auto records = kivdrv::ReadTrace(trace);
    if (!records) return "the trace does not parse";
    std::string notes;
    for (const auto& r : *records)
        if (r.call == "note") notes += r.text + "\n";
    return notes;
}

// Plays rows 1, 2, 1, ... `pauseMs` apart until `done`, or a bound that keeps a hang from
// stalling the run; true when done.
inline bool PlayUntil(CTavo& tavo, std::uint32_t handle, DWORD pauseMs,
                      const std::function<bool()>& done) {
    for (int row = 0; row < 2000; ++row) {
        if (done()) return true;
        tavo.W_P(handle, std::uint32_t(row % 2 + 1), 0);
        Sleep(pauseMs);
    }
    return false;
}

} // namespace tavotest
