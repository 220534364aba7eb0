// Conversions between the UTF-16 of Windows and the UTF-8 of files and messages.
#pragma once

#include <string>
#include <string_view>

namespace kivdrv {

std::string Narrow(std::wstring_view text); // UTF-16 -> UTF-8
std::wstring Widen(std::string_view text);  // UTF-8 -> UTF-16

// A control's text without its '&' mnemonic markers ("&&" stays one '&').
std::wstring StripMnemonic(std::wstring_view text);

} // namespace kivdrv
