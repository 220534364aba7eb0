// The bytes between tavo.dll's bridge and kiv-parport, the helper that owns a Linux
// parallel port. Both sides include this header and nothing of each other.
//
// One TCP connection to 127.0.0.1, version 1:
//   client -> helper  hello:  "KIVP" | version | purpose | address (u32 LE) | n | token (n)
//   helper -> client  answer: "KIVP" | version | status | LPT1, LPT2, LPT3 (u32 LE each)
// A query hello gets its answer and the connection ends. After an Ok answer to a drive
// hello the client sends one byte per value for the data lines and never waits for a
// reply; it ends by closing the connection, and the helper then turns the lines off.
// The token is the secret the helper was started with, as hexadecimal text.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kivwire {

inline constexpr std::array<std::uint8_t, 4> kMagic{'K', 'I', 'V', 'P'};
inline constexpr std::uint8_t kVersion = 1;

// 32 hexadecimal digits are 128 bits, the least the helper accepts.
inline constexpr std::size_t kMinTokenDigits = 32;
inline constexpr std::size_t kMaxTokenDigits = 128;
// The hello carries the token's length in one byte.
static_assert(kMaxTokenDigits <= 255);

enum class Purpose : std::uint8_t { Query = 1, Drive = 2 };

enum class Status : std::uint8_t {
    Ok = 0,
    Refused = 1,       // not our hello, another version, or a wrong token
    Busy = 2,          // another client drives the port
    WrongPort = 3,     // the helper owns a port at another address
    NoDevice = 4,      // the port could not be claimed
    PrinterDriver = 5, // the printer driver lp holds the port (unload it: modprobe -r lp)
};

using Ports = std::array<std::uint32_t, 3>;

struct Hello {
    Purpose purpose = Purpose::Query;
    std::uint32_t address = 0; // the port the client means to drive; 0 for a query
    std::string token;
};

struct Answer {
    Status status = Status::Refused;
    Ports ports{};
};

inline constexpr std::size_t kHelloHeadSize = 4 + 1 + 1 + 4 + 1;
inline constexpr std::size_t kAnswerSize = 4 + 1 + 1 + 3 * 4;

inline bool IsValidToken(std::string_view token) {
    if (token.size() < kMinTokenDigits || token.size() > kMaxTokenDigits) return false;
    for (const char c : token)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')))
            return false;
    return true;
}

namespace detail {
inline void PutU32(std::uint8_t* out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out[i] = static_cast<std::uint8_t>(value >> (8 * i));
}
inline std::uint32_t GetU32(const std::uint8_t* in) {
    return std::uint32_t(in[0]) | std::uint32_t(in[1]) << 8 | std::uint32_t(in[2]) << 16 |
           std::uint32_t(in[3]) << 24;
}
inline bool IsOurs(std::span<const std::uint8_t> bytes) {
    return bytes.size() >= 5 && std::equal(kMagic.begin(), kMagic.end(), bytes.begin()) &&
           bytes[4] == kVersion;
}
} // namespace detail

// The token must already be valid (IsValidToken).
inline std::vector<std::uint8_t> EncodeHello(const Hello& hello) {
    std::vector<std::uint8_t> out(kHelloHeadSize);
    std::copy(kMagic.begin(), kMagic.end(), out.begin());
    out[4] = kVersion;
    out[5] = static_cast<std::uint8_t>(hello.purpose);
    detail::PutU32(&out[6], hello.address);
    out[10] = static_cast<std::uint8_t>(hello.token.size());
    out.insert(out.end(), hello.token.begin(), hello.token.end());
    return out;
}

// The length of the token that follows a hello's head; nullopt when the head is not a
// version 1 hello.
inline std::optional<std::size_t> HelloTokenLength(std::span<const std::uint8_t> head) {
    if (head.size() != kHelloHeadSize || !detail::IsOurs(head)) return std::nullopt;
    if (head[5] != std::uint8_t(Purpose::Query) && head[5] != std::uint8_t(Purpose::Drive))
        return std::nullopt;
    return head[10];
}

// A whole hello: its head and exactly the token its head announces.
inline std::optional<Hello> DecodeHello(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kHelloHeadSize) return std::nullopt;
    const auto length = HelloTokenLength(bytes.first(kHelloHeadSize));
    if (!length || bytes.size() != kHelloHeadSize + *length) return std::nullopt;
    Hello hello;
    hello.purpose = static_cast<Purpose>(bytes[5]);
    hello.address = detail::GetU32(&bytes[6]);
    hello.token.assign(bytes.begin() + kHelloHeadSize, bytes.end());
    return hello;
}

inline std::array<std::uint8_t, kAnswerSize> EncodeAnswer(const Answer& answer) {
    std::array<std::uint8_t, kAnswerSize> out{};
    std::copy(kMagic.begin(), kMagic.end(), out.begin());
    out[4] = kVersion;
    out[5] = static_cast<std::uint8_t>(answer.status);
    for (std::size_t i = 0; i < answer.ports.size(); ++i)
        detail::PutU32(&out[6 + 4 * i], answer.ports[i]);
    return out;
}

inline std::optional<Answer> DecodeAnswer(std::span<const std::uint8_t> bytes) {
    if (bytes.size() != kAnswerSize || !detail::IsOurs(bytes) ||
        bytes[5] > std::uint8_t(Status::PrinterDriver))
        return std::nullopt;
    Answer answer;
    answer.status = static_cast<Status>(bytes[5]);
    for (std::size_t i = 0; i < answer.ports.size(); ++i)
        answer.ports[i] = detail::GetU32(&bytes[6 + 4 * i]);
    return answer;
}

} // namespace kivwire
