// The window "Выходы" as the lamp panel's menu opens it: on a thread of its own, so the
// lamps go on painting while it is open, holding the library until it is closed.
#pragma once

namespace tavo {

// Opens the window, or brings the one already open to the front. Never waits for it.
void OpenOutputsWindowAside();

} // namespace tavo
