// tavo.ini as lines: how the settings read them, and how the window edits the file in
// place, keeping every line it does not change byte for byte (comments, blank lines,
// unknown keys, the byte order mark, the line breaks).
// Plain C++ without Windows headers.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tavo {

struct IniLine {
    enum class Kind { Blank, Comment, Address, Setting, Other };
    Kind kind = Kind::Blank;
    int number = 1;         // from 1
    std::size_t begin = 0;  // the line in the text, without its line break
    std::size_t end = 0;    //
    std::size_t next = 0;   // where the next line starts
    std::string key;        // Setting: the name in lower case, known or not
    std::string_view value; // Setting, Address: trimmed; Other: the whole line trimmed
};

// How a tavo.ini is stored: its bytes as they are (ASCII or UTF-8), or UTF-16 with a byte
// order mark, as Notepad saves "Unicode".
enum class IniEncoding { Bytes, Utf16Le, Utf16Be };

struct IniFileText {
    std::string text; // UTF-16 as UTF-8, without its byte order mark
    IniEncoding encoding = IniEncoding::Bytes;
};

// The text of a file's bytes.
IniFileText DecodeIni(std::string_view bytes);
// The bytes that store `text` as `encoding` says.
std::string EncodeIni(std::string_view text, IniEncoding encoding);

// A-Z as a-z, nothing else changed.
std::string AsciiLower(std::string_view text);

// Every line of the text, a byte order mark skipped. A line without '=' is the address
// line the first time, Other after that.
std::vector<IniLine> IniLines(std::string_view text);

class CIniText {
public:
    explicit CIniText(std::string text) : m_text(std::move(text)) {}

    // The key's last line (the one that counts) gets `value`; without one, a line
    // "key = value" is added at the end.
    void Set(std::string_view key, std::string_view value);
    // Every line of the key goes, with its line break.
    void Remove(std::string_view key);

    const std::string& Text() const { return m_text; }

private:
    // The line break the file uses; CRLF for a new one.
    std::string_view LineBreak() const;

    std::string m_text;
};

} // namespace tavo
