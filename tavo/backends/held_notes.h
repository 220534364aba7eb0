// The notes of one try at reaching a device or helper that went away, held until it is
// known whether they are news: a try that fails as the one before says nothing again.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "tavo/backends/backend.h"

namespace tavo {

class CHeldNotes final : public CReporter {
public:
    void TraceNote(std::string_view text) override { m_trace.emplace_back(text); }
    void PortNote(std::uint32_t address, std::wstring note) override {
        m_ports.emplace_back(address, std::move(note));
    }

    // Passes on the trace notes when they differ from `before`'s, then becomes `before`.
    void TraceIfNews(CHeldNotes& before, CReporter& to) {
        if (m_trace != before.m_trace)
            for (const auto& text : m_trace)
                to.TraceNote(text);
        before = std::move(*this);
    }
    void Forward(CReporter& to) const {
        for (const auto& text : m_trace)
            to.TraceNote(text);
        for (const auto& [address, note] : m_ports)
            to.PortNote(address, note);
    }

private:
    std::vector<std::string> m_trace;
    std::vector<std::pair<std::uint32_t, std::wstring>> m_ports;
};

} // namespace tavo
