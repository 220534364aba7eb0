// A private copy of tavo.dll in a folder of its own, loaded with a given configuration:
// how the tests of the library see it as the program does.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <optional>
#include <string>

#include "driver/driver.h"
#include "tavo/lamps/lamp_layout.h"
#include "tavo/exports/tavo.h"

namespace tavotest {

struct TavoConfig {
    std::optional<std::wstring> lpt = std::nullopt;   // TAVO_LPT; nullopt: not set
    std::optional<std::string> ini = std::nullopt;    // tavo.ini beside the DLL; nullopt: no file
    std::optional<std::wstring> trace = std::nullopt; // TAVO_TRACE
    std::optional<std::wstring> lamps = L"0";         // TAVO_LAMPS: no panel thread unless
                                                      // a back end fails
};

class CTavo {
public:
    explicit CTavo(const TavoConfig& config) {
        std::filesystem::copy_file(kivdrv::ProgramFolder() + L"tavo.dll", m_dir / "tavo.dll");
        Load(config);
    }
    ~CTavo() {
        Unload();
        Release();
    }
    CTavo(const CTavo&) = delete;
    CTavo& operator=(const CTavo&) = delete;

    // Loads the library afresh with `config`.
    void Load(const TavoConfig& config) {
        Unload();
        if (config.ini) WriteIni(*config.ini);
        const kivdrv::CScopedEnv lpt(L"TAVO_LPT", config.lpt);
        const kivdrv::CScopedEnv trace(L"TAVO_TRACE", config.trace);
        const kivdrv::CScopedEnv lamps(L"TAVO_LAMPS", config.lamps);
        m_module = LoadLibraryW((m_dir / "tavo.dll").c_str());
        ASSERT_TRUE(m_module) << kivdrv::Narrow(kivdrv::SystemErrorText(GetLastError()));
        CountLPT = Find<decltype(::CountLPT)>("CountLPT");
        OpenPrt = Find<decltype(::OpenPrt)>("OpenPrt");
        W_P = Find<decltype(::W_P)>("W_P");
        ClosePrt = Find<decltype(::ClosePrt)>("ClosePrt");
        ASSERT_TRUE(CountLPT && OpenPrt && W_P && ClosePrt);
    }

    // tavo.ini beside the copy, as a user saves it while the program runs.
    void WriteIni(const std::string& text) const {
        kivdrv::WriteFileBytes(m_dir / "tavo.ini",
                               {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
    }

    HMODULE Module() const { return m_module; }
    std::filesystem::path Path() const { return m_dir / "tavo.dll"; }
    // Frees the library; a thread of its own may keep it mapped for a while.
    void Unload() {
        if (m_module) FreeLibrary(m_module);
        m_module = nullptr;
    }
    // After Unload: waits until the library has left the process, closing the lamp panels
    // (that a failure shows whatever TAVO_LAMPS says) as a user would. False if it stays.
    bool Release() const {
        return kivdrv::WaitUntil([&] {
            for (HWND panel : kivdrv::FindTopLevelWindows(
                     {std::nullopt, tavo::kLampPanelClass, GetCurrentProcessId()}))
                PostMessageW(panel, WM_CLOSE, 0, 0);
            return !GetModuleHandleW(Path().c_str());
        });
    }

    decltype(::CountLPT)* CountLPT = nullptr;
    decltype(::OpenPrt)* OpenPrt = nullptr;
    decltype(::W_P)* W_P = nullptr;
    decltype(::ClosePrt)* ClosePrt = nullptr;

private:
    template <typename Fn> Fn* Find(const char* name) const {
        return reinterpret_cast<Fn*>(reinterpret_cast<void (*)()>(GetProcAddress(m_module, name)));
    }

    kivdrv::CTempDir m_dir;
    HMODULE m_module = nullptr;
};

} // namespace tavotest
