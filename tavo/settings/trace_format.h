// The trace of port calls: one text line per call, numbers in decimal.
//   t CountLPT = count lpt1 lpt2 lpt3
//   t OpenPrt address arg2 arg3 = handle
//   t W_P handle value arg3
//   t ClosePrt handle
//   t note free text          (what a back end or the settings want the reader to know)
// t is the number of microseconds since the library was loaded. Lines end in "\n".
// Arguments appear as the caller passed them: W_P's value is what it was given, of
// which the low byte reached the data lines.
// Plain C++ without Windows headers.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tavo {

// One call as written to, or read back from, the trace.
struct TraceRecord {
    std::uint64_t micros = 0;
    std::string call;
    std::vector<std::uint64_t> args;
    std::vector<std::uint64_t> results; // after "="; empty when the call has no result
    std::string text;                   // the text of a note line

    bool operator==(const TraceRecord&) const = default;
};

// "t call args... [= results...]\n"; the "=" part only when there are results.
std::string FormatTraceLine(std::uint64_t micros, std::string_view call,
                            std::span<const std::uint64_t> args,
                            std::span<const std::uint64_t> results = {});

// "t note text\n"; line breaks in the text become blanks.
std::string FormatTraceNote(std::uint64_t micros, std::string_view text);

// The inverse of FormatTraceLine and FormatTraceNote for one line (with or without its "\r\n" or
// "\n").
std::optional<TraceRecord> ParseTraceLine(std::string_view line);

// Every line of a trace file; nullopt when any non-empty line is malformed.
std::optional<std::vector<TraceRecord>> ParseTrace(std::string_view text);

// Microseconds between two performance-counter readings, without overflow for any
// realistic counter frequency or uptime.
std::uint64_t MicrosBetween(std::uint64_t start, std::uint64_t now, std::uint64_t frequency);

} // namespace tavo
