#include "tavo/settings/trace_format.h"

#include <charconv>

namespace tavo {
namespace {

void AppendNumber(std::string& out, std::uint64_t value) {
    char digits[24];
    const auto end = std::to_chars(std::begin(digits), std::end(digits), value).ptr;
    out.append(digits, end);
}

// Splits off the next blank-separated word; empty at the end of the line.
std::string_view NextWord(std::string_view& rest) {
    const auto first = rest.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        rest = {};
        return {};
    }
    rest.remove_prefix(first);
    const auto word = rest.substr(0, rest.find(' '));
    rest.remove_prefix(word.size());
    return word;
}

std::optional<std::uint64_t> ParseNumber(std::string_view word) {
    std::uint64_t value = 0;
    const char* end = word.data() + word.size();
    const auto [ptr, ec] = std::from_chars(word.data(), end, value);
    if (word.empty() || ec != std::errc{} || ptr != end) return std::nullopt;
    return value;
}

} // namespace

std::string FormatTraceLine(std::uint64_t micros, std::string_view call,
                            std::span<const std::uint64_t> args,
                            std::span<const std::uint64_t> results) {
    std::string line;
    line.reserve(64);
    AppendNumber(line, micros);
    line += ' ';
    line += call;
    for (const auto a : args) {
        line += ' ';
        AppendNumber(line, a);
    }
    if (!results.empty()) line += " =";
    for (const auto r : results) {
        line += ' ';
        AppendNumber(line, r);
    }
    line += '\n';
    return line;
}

std::string FormatTraceNote(std::uint64_t micros, std::string_view text) {
    std::string line;
    AppendNumber(line, micros);
    line += " note ";
    for (const char c : text)
        line += c == '\n' || c == '\r' ? ' ' : c;
    line += '\n';
    return line;
}

std::optional<TraceRecord> ParseTraceLine(std::string_view line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.remove_suffix(1);
    TraceRecord record;
    const auto micros = ParseNumber(NextWord(line));
    record.call = NextWord(line);
    if (!micros || record.call.empty()) return std::nullopt;
    record.micros = *micros;
    if (record.call == "note") {
        record.text = line.empty() ? line : line.substr(1);
        return record;
    }
    bool afterEquals = false;
    for (auto word = NextWord(line); !word.empty(); word = NextWord(line)) {
        if (word == "=" && !afterEquals) {
            afterEquals = true;
            continue;
        }
        const auto value = ParseNumber(word);
        if (!value) return std::nullopt;
        (afterEquals ? record.results : record.args).push_back(*value);
    }
    if (afterEquals && record.results.empty()) return std::nullopt;
    return record;
}

std::optional<std::vector<TraceRecord>> ParseTrace(std::string_view text) {
    std::vector<TraceRecord> records;
    while (!text.empty()) {
        const auto eol = text.find('\n');
        const auto line = text.substr(0, eol);
        text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
        if (line.find_first_not_of(" \r") == std::string_view::npos) continue;
        auto record = ParseTraceLine(line);
        if (!record) return std::nullopt;
        records.push_back(std::move(*record));
    }
    return records;
}

std::uint64_t MicrosBetween(std::uint64_t start, std::uint64_t now, std::uint64_t frequency) {
    if (frequency == 0 || now < start) return 0;
    const auto ticks = now - start;
    return ticks / frequency * 1'000'000 + ticks % frequency * 1'000'000 / frequency;
}

} // namespace tavo
