// schedule.ini in the working folder: read whole and parsed, or the reason why not in
// Russian with its line number; and the sample written when the file is missing.
#pragma once
#include "schedule/schedule.h"

#include <optional>
#include <string>

struct ScheduleRead {
    std::optional<std::string> text;            // none: the file is missing
    std::optional<schedule::Schedule> schedule; // parsed, when the text is good
    std::wstring error;                         // else why: "строка 7: ..."
};

// The path of schedule.ini beside port.cst.
std::wstring ScheduleFilePath();

// Reads `path` whole: the text, or why it cannot be read (none and no error: missing).
ScheduleRead ReadScheduleFile(const std::wstring& path);
// Parses the text read: the schedule, or the error; the overlaps are looked for from `now`.
void ParseScheduleRead(ScheduleRead& read, const schedule::CTimeZone& zone,
                       schedule::Instant now);

// Writes the program's sample (all shows commented out) to `path` unless a file is there.
// False when it could not be written.
bool WriteSampleSchedule(const std::wstring& path);

std::wstring WidenUtf8(const std::string& text);
