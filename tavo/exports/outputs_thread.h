// The window "Выходы" as the lamp panel's menu opens it: on a thread of its own, so the
// lamps go on painting while it is open, holding the library until it is closed.
#pragma once

#include <cstdint>

namespace tavo {

// Opens the window, its check lighting the port at `port`, or brings the one already open
// to the front. Never waits for it.
void OpenOutputsWindowAside(std::uint32_t port);

} // namespace tavo
