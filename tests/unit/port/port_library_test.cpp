// Loading tavo.dll: from the program's folder or the system folder, never from the
// current directory; export lookups that report what is missing.
#include <gtest/gtest.h>

#include <cwctype>
#include <filesystem>

#include "driver/driver.h"
#include "port/port_library.h"

namespace {

namespace fs = std::filesystem;
using kivdrv::ProgramFolder;

std::wstring Lower(std::wstring s) {
    for (auto& c : s)
        c = std::towlower(c);
    return s;
}

std::wstring ModulePath(HMODULE module) {
    wchar_t path[MAX_PATH]{};
    return std::wstring(path, GetModuleFileNameW(module, path, MAX_PATH));
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
    return Lower(fs::path(a).lexically_normal().wstring()) ==
           Lower(fs::path(b).lexically_normal().wstring());
}

// The test runs in a folder that holds a planted tavo.dll (and a copy under a name that
// exists nowhere else); the previous current directory comes back afterwards.
class PlantedFolder : public testing::Test {
protected:
    void SetUp() override {
        const auto planted = ProgramFolder() + L"kivport_planted.dll";
        fs::copy_file(planted, m_dir / "tavo.dll");
        fs::copy_file(planted, m_dir / "kivport_only_here.dll");
        m_previous = fs::current_path();
        fs::current_path(m_dir.Path());
    }
    void TearDown() override { fs::current_path(m_previous); }

    kivdrv::CTempDir m_dir;
    fs::path m_previous;
};

TEST_F(PlantedFolder, TheLibraryBesideTheProgramIsLoaded) {
    const kivdrv::CScopedEnv ports(L"TAVO_LPT", L"0,278,0");
    const auto library = CPortLibrary::Load();
    ASSERT_TRUE(library);
    EXPECT_TRUE(SamePath(ModulePath(library.Get()), ProgramFolder() + L"tavo.dll"))
        << kivdrv::Narrow(ModulePath(library.Get()));
    const auto count = FindCountLPT(library.Get());
    ASSERT_TRUE(count);
    std::uint32_t lpt[3]{};
    EXPECT_EQ(count(&lpt[0], &lpt[1], &lpt[2]), 1) << "the planted one answers 0xEE";
    EXPECT_EQ(lpt[1], 0x278u);
}

TEST_F(PlantedFolder, NothingIsLoadedFromTheCurrentDirectory) {
    SetLastError(ERROR_SUCCESS);
    const HMODULE module = LoadPortLibrary(L"kivport_only_here.dll");
    EXPECT_EQ(module, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    EXPECT_EQ(GetModuleHandleW(L"kivport_only_here.dll"), nullptr);

    SetLastError(ERROR_SUCCESS);
    const auto owner = CPortLibrary::Load(L"kivport_only_here.dll");
    EXPECT_FALSE(owner);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND)) << "kept for the error box";
}

TEST(PortLibrary, SystemFolderIsSearchedAfterTheProgramFolder) {
    const auto library = CPortLibrary::Load(L"version.dll");
    ASSERT_TRUE(library);
    wchar_t system[MAX_PATH]{};
    GetSystemDirectoryW(system, MAX_PATH);
    EXPECT_TRUE(SamePath(ModulePath(library.Get()), system + std::wstring(L"\\version.dll")));
}

TEST(PortLibrary, ABrokenLibraryBesideTheProgramIsReportedAsSuch) {
    const kivdrv::CTempDir folder; // standing for the program's folder
    const std::uint8_t junk[] = {'M', 'Z', 0, 0, 'n', 'o', 't', ' ', 'a', ' ', 'd', 'l', 'l'};
    ASSERT_TRUE(kivdrv::WriteFileBytes(folder / "tavo.dll", junk));
    SetLastError(ERROR_SUCCESS);
    const HMODULE module = LoadPortLibraryFrom(folder.Path().wstring() + L'\\', L"tavo.dll");
    const DWORD error = GetLastError();
    EXPECT_EQ(module, nullptr);
    EXPECT_NE(error, static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_NE(error, static_cast<DWORD>(ERROR_MOD_NOT_FOUND)) << "the real reason, not 'not found'";
}

TEST(PortLibrary, LookupsNameWhatIsMissing) {
    const CPortLibrary planted(LoadLibraryW((ProgramFolder() + L"kivport_planted.dll").c_str()));
    ASSERT_TRUE(planted);
    EXPECT_TRUE(FindCountLPT(planted.Get()));
    const char* missing = "untouched";
    EXPECT_FALSE(FindRunExports(planted.Get(), &missing));
    EXPECT_STREQ(missing, "W_P");
    EXPECT_FALSE(FindPortExport<W_PFn>(planted.Get(), "W_P"));

    EXPECT_FALSE(FindCountLPT(nullptr));
    EXPECT_FALSE(FindRunExports(nullptr, &missing));
    EXPECT_STREQ(missing, "OpenPrt");

    const auto real = CPortLibrary::Load();
    ASSERT_TRUE(real);
    const auto run = FindRunExports(real.Get(), &missing);
    ASSERT_TRUE(run);
    EXPECT_EQ(missing, nullptr);
    const auto handle = run->OpenPrt(0x378, 1, 1);
    EXPECT_NE(handle, 0u);
    run->W_P(handle, 0x55, 0);
    run->ClosePrt(handle);
}

TEST(PortLibrary, OwnerFreesTheLibraryOnceAndMovesIt) {
    const auto path = ProgramFolder() + L"kivport_planted.dll";
    {
        CPortLibrary first(LoadLibraryW(path.c_str()));
        ASSERT_TRUE(first);
        CPortLibrary second(std::move(first));
        EXPECT_FALSE(first);
        CPortLibrary third;
        third = std::move(second);
        EXPECT_TRUE(third);
        EXPECT_TRUE(GetModuleHandleW(path.c_str()));
    }
    EXPECT_FALSE(GetModuleHandleW(path.c_str())) << "unloaded";

    CPortLibrary kept(LoadLibraryW(path.c_str()));
    const HMODULE raw = kept.Release();
    EXPECT_FALSE(kept);
    EXPECT_TRUE(GetModuleHandleW(path.c_str())) << "released, not freed";
    FreeLibrary(raw);
}

} // namespace
