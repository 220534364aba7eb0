// tavo_outputs.exe: opens the window "Выходы" of tavo.dll, to set up the outputs without
// kiv.exe. The library is loaded as kiv.exe loads it: from this program's folder.
#include <windows.h>

#include <string>

#include "port/port_library.h"

namespace {

using ShowOutputsFn = int __stdcall(HWND owner);

int Fail(const std::wstring& text) {
    MessageBoxW(nullptr, text.c_str(), L"Выходы", MB_OK | MB_ICONERROR);
    return 1;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    const auto library = CPortLibrary::Load();
    if (!library)
        return Fail(L"Не удалось загрузить библиотеку tavo.dll (ошибка " +
                    std::to_wstring(GetLastError()) +
                    L").\nОна должна лежать рядом с этой программой.");
    auto* show = FindPortExport<ShowOutputsFn>(library.Get(), "ShowOutputs");
    if (!show) return Fail(L"В библиотеке tavo.dll нет функции ShowOutputs.");
    show(nullptr);
    return 0;
}
