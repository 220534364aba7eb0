// What the system has now for the LPT outputs, as the window lists them: where the port
// driver library is looked for, and whether the Linux helper can be there. The COM ports
// are in serial/com_ports.h, the relay boards in hid/hid_relays.h.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace tavo {

// The full paths the port driver library is loaded from, in the order they are tried.
std::vector<std::wstring> DriverLibraryPlaces(HMODULE self);

// True when the library runs under Wine, where the Linux helper can drive a port.
bool UnderWine();

} // namespace tavo
