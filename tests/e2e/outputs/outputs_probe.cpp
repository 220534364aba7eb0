// The window "Выходы" on its own, for the test that drives it: exits with 1 when OK saved.
#include <windows.h>

#include "tavo/window/outputs_window.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    return tavo::ShowOutputsWindow(nullptr) ? 1 : 0;
}
