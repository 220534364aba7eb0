// The program's side of the port library tavo.dll: the types of its four exports,
// loading it safely, and looking the exports up.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The exports, as the program calls them.
using CountLPTFn = unsigned char(std::uint32_t* lpt1, std::uint32_t* lpt2, std::uint32_t* lpt3);
using OpenPrtFn = std::uint32_t(std::uint32_t address, std::uint32_t arg2, std::uint32_t arg3);
using W_PFn = void(std::uint32_t handle, std::uint32_t value, std::uint32_t arg3);
using ClosePrtFn = void(std::uint32_t handle);

inline constexpr std::wstring_view kPortLibraryName = L"tavo.dll";

// Loads the library from the program's own folder or else from the system folder, never
// from the current directory (where a pattern file may have brought a stranger). `name`
// is a bare file name. Null on failure, with GetLastError telling why.
HMODULE LoadPortLibrary(std::wstring_view name = kPortLibraryName);
// The same with `folder` (empty, or ending in a separator) in the program folder's place.
HMODULE LoadPortLibraryFrom(const std::wstring& folder, std::wstring_view name);

// An export by name, or null when the library lacks it (or `library` is null).
template <typename Fn> Fn* FindPortExport(HMODULE library, const char* name) {
    if (!library) return nullptr;
    // Through void(*)(): the one function pointer type every other converts from cleanly.
    return reinterpret_cast<Fn*>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
}

inline CountLPTFn* FindCountLPT(HMODULE library) {
    return FindPortExport<CountLPTFn>(library, "CountLPT");
}

// The three exports a run uses, looked up together.
struct PortRunExports {
    OpenPrtFn* OpenPrt = nullptr;
    W_PFn* W_P = nullptr;
    ClosePrtFn* ClosePrt = nullptr;
};

// All three, or nullopt with *missing (when given) set to the name of the first absent one.
std::optional<PortRunExports> FindRunExports(HMODULE library, const char** missing = nullptr);

// Owns a loaded port library: FreeLibrary when it goes. Move-only.
class CPortLibrary {
public:
    CPortLibrary() = default;
    explicit CPortLibrary(HMODULE module) : m_module(module) {}
    ~CPortLibrary() { Reset(); }
    CPortLibrary(CPortLibrary&& other) noexcept : m_module(other.Release()) {}
    CPortLibrary& operator=(CPortLibrary&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    CPortLibrary(const CPortLibrary&) = delete;
    CPortLibrary& operator=(const CPortLibrary&) = delete;

    // LoadPortLibrary; empty on failure, GetLastError telling why.
    static CPortLibrary Load(std::wstring_view name = kPortLibraryName) {
        return CPortLibrary(LoadPortLibrary(name));
    }

    HMODULE Get() const { return m_module; }
    explicit operator bool() const { return m_module != nullptr; }

    HMODULE Release() {
        const HMODULE module = m_module;
        m_module = nullptr;
        return module;
    }
    void Reset(HMODULE module = nullptr) {
        if (m_module) FreeLibrary(m_module);
        m_module = module;
    }

private:
    HMODULE m_module = nullptr;
};
