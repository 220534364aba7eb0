// "port.cst": the chosen port's base address, 4 bytes little-endian, in the working folder;
// "slider.cst" is written the same way.
#pragma once
#include <cstdint>
#include <exception>
#include <optional>
#include <string>

// The file's path in the start-up folder.
std::wstring PortFilePath();
// The address from the file (missing high bytes are 0); nullopt when it cannot be opened.
std::optional<std::uint32_t> ReadPortFile(const std::wstring& path);
// A settings file's 4 little-endian bytes, written through a temporary file: a failure
// throws CFileException and leaves the old file, or none.
void WriteSettingsFile(const std::wstring& path, std::uint32_t value);
void WritePortFile(const std::wstring& path, std::uint32_t address);
// The first present port of the three, or 0 when none is present.
std::uint32_t FirstPresentPort(std::uint32_t lpt1, std::uint32_t lpt2, std::uint32_t lpt3);

// Reports a failed write of the port file at the first start. A folder the user may not
// write to (the program unpacked under Program Files) gets a box that says so and names a
// folder to move the program to; any other failure the framework's standard box.
void ReportPortFileFailure(const std::exception_ptr& failure);
