// "port.cst": the chosen port's base address, 4 bytes little-endian, in the working folder.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

// The file's path in the start-up folder.
std::wstring PortFilePath();
// The address from the file (missing high bytes are 0); nullopt when it cannot be opened.
std::optional<std::uint32_t> ReadPortFile(const std::wstring& path);
// Creates or truncates the file with the 4 bytes; throws CFileException on failure.
void WritePortFile(const std::wstring& path, std::uint32_t address);
// The first present port of the three, or 0 when none is present.
std::uint32_t FirstPresentPort(std::uint32_t lpt1, std::uint32_t lpt2, std::uint32_t lpt3);
