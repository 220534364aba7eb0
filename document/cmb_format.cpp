// The combination file codec.
#include "document/cmb_format.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace cmb {
namespace {

template <class T> std::array<std::byte, sizeof(T)> LittleEndian(T value) {
    std::array<std::byte, sizeof(T)> out{};
    auto u = static_cast<std::make_unsigned_t<T>>(value);
    for (auto& b : out) {
        b = static_cast<std::byte>(u & 0xFF);
        u = static_cast<decltype(u)>(u >> 8);
    }
    return out;
}

template <class T> void Put(Sink& sink, T value) {
    const auto bytes = LittleEndian(value);
    sink.Write(bytes.data(), bytes.size());
}

template <class T> bool Get(Source& source, T& value) {
    std::array<std::byte, sizeof(T)> bytes{};
    if (source.Read(bytes.data(), bytes.size()) != bytes.size()) return false;
    std::make_unsigned_t<T> u = 0;
    for (auto it = bytes.rbegin(); it != bytes.rend(); ++it)
        u = static_cast<decltype(u)>((u << 8) | std::to_integer<unsigned>(*it));
    value = static_cast<T>(u);
    return true;
}

[[maybe_unused]] constexpr std::uint32_t Swap32(std::uint32_t v) {
    return (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24);
}

// Rows are raw little-endian records; on a big-endian host each cell is turned round.
void SwapCells(std::span<KIV_ROW> rows) {
    if constexpr (std::endian::native == std::endian::big) {
        for (auto& row : rows)
            for (auto& cell : row.cells)
                cell = static_cast<std::int32_t>(Swap32(static_cast<std::uint32_t>(cell)));
    } else {
        (void)rows;
    }
}

} // namespace

void Write(Sink& sink, std::span<const KIV_ROW> rows) {
    const std::uint64_t n = rows.size();
    if (n > std::numeric_limits<std::uint32_t>::max())
        throw std::length_error("too many rows for a combination file");
    Put(sink, kFormatVersion);
    if (n < kLongCountMark) {
        Put(sink, static_cast<std::uint16_t>(n));
    } else {
        Put(sink, kLongCountMark);
        Put(sink, static_cast<std::uint32_t>(n));
    }
    if (rows.empty()) return;
    if constexpr (std::endian::native == std::endian::little) {
        sink.Write(rows.data(), rows.size_bytes());
    } else {
        std::vector<KIV_ROW> copy(rows.begin(), rows.end());
        SwapCells(copy);
        sink.Write(copy.data(), std::span<const KIV_ROW>(copy).size_bytes());
    }
}

Header ReadHeader(Source& source) {
    Header h;
    if (!Get(source, h.version)) return {Status::EndOfFile};
    if (h.version > kFormatVersion) {
        h.status = Status::NewerVersion;
        return h;
    }
    std::uint16_t shortCount = 0;
    if (!Get(source, shortCount)) return {Status::EndOfFile, h.version};
    h.rowCount = shortCount;
    if (shortCount == kLongCountMark && !Get(source, h.rowCount))
        return {Status::EndOfFile, h.version};
    return h;
}

std::size_t ReadRows(Source& source, std::span<KIV_ROW> rows) {
    const std::size_t got = source.Read(rows.data(), rows.size_bytes());
    SwapCells(rows);
    return got;
}

Status Read(Source& source, std::vector<KIV_ROW>& rows, std::uint64_t maxRows) {
    const Header h = ReadHeader(source);
    if (h.status != Status::Ok) return h.status;
    if (h.rowCount > maxRows) return Status::TooManyRows;
    std::vector<KIV_ROW> fresh(h.rowCount);
    ReadRows(source, fresh);
    rows.swap(fresh);
    return Status::Ok;
}

std::size_t MemorySource::Read(void* dst, std::size_t size) {
    const std::size_t n = std::min(size, m_bytes.size() - m_pos);
    if (n != 0) std::memcpy(dst, m_bytes.data() + m_pos, n);
    m_pos += n;
    return n;
}

void MemorySink::Write(const void* src, std::size_t size) {
    const auto* p = static_cast<const std::byte*>(src);
    m_bytes.insert(m_bytes.end(), p, p + size);
}

} // namespace cmb
