// The combination file (*.cmb): a 32-bit version, a row count in a short or long form,
// then the rows as raw 32-byte records. Little-endian, no magic, no trailer.
// Pure C++: the document plugs its archive in through Source and Sink.
#pragma once
#include "document/kiv_row.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace cmb {

inline constexpr std::int32_t kFormatVersion = 10;
// A count of 65535 or more is written as this mark followed by a 32-bit count.
inline constexpr std::uint16_t kLongCountMark = 0xFFFF;

class Source {
public:
    virtual ~Source() = default;
    // Reads up to size bytes; fewer means the file has ended.
    virtual std::size_t Read(void* dst, std::size_t size) = 0;
};

class Sink {
public:
    virtual ~Sink() = default;
    virtual void Write(const void* src, std::size_t size) = 0;
};

// Bytes before the first row for a file of n rows: 6, or 10 in the long form.
constexpr std::size_t HeaderSize(std::uint64_t n) {
    return n < kLongCountMark ? 6 : 10;
}

// Writes a whole file. Throws std::length_error for more rows than a file can count.
void Write(Sink& sink, std::span<const KIV_ROW> rows);

enum class Status {
    Ok,
    NewerVersion, // written by a later program; nothing past the version was read
    EndOfFile,    // the file ends inside the version or the count
    TooManyRows,  // the count is beyond what the caller can hold
};

struct Header {
    Status status = Status::Ok;
    std::int32_t version = 0;
    std::uint32_t rowCount = 0;
};

// Reads the version and, when this program can read that version, the row count.
// Any version up to 10 reads as 10 (there is no lower bound).
Header ReadHeader(Source& source);

// Reads rows.size() rows straight into rows; what the file lacks is left as it was
// (zero in a freshly sized array). Returns the number of bytes read.
std::size_t ReadRows(Source& source, std::span<KIV_ROW> rows);

// A whole load: header, limit check, rows. rows changes only when the result is Ok.
Status Read(Source& source, std::vector<KIV_ROW>& rows, std::uint64_t maxRows);

// Sources and sinks over memory, for callers that hold the whole file.
class MemorySource final : public Source {
public:
    explicit MemorySource(std::span<const std::byte> bytes) : m_bytes(bytes) {}
    std::size_t Read(void* dst, std::size_t size) override;

private:
    std::span<const std::byte> m_bytes;
    std::size_t m_pos = 0;
};

class MemorySink final : public Sink {
public:
    void Write(const void* src, std::size_t size) override;
    const std::vector<std::byte>& Bytes() const { return m_bytes; }

private:
    std::vector<std::byte> m_bytes;
};

} // namespace cmb
