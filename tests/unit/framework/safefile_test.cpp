// Safe writes: a failure keeps the old file and names the caller's path; links, hard links
// and permissions survive a save; our leftovers go. Links and modes are made and checked
// with the Unix shell that Wine can start.
#include "framework/safefile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace {

class SafeFile : public ::testing::Test {
protected:
    fs::path dir = fs::temp_directory_path() /
                   ("kivsafe-" + std::to_string(GetCurrentProcessId()) + "-" +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name());

    void SetUp() override {
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override {
        // Under Wine a delete through a link deletes its target, and remove_all loops on a
        // dangling link: the shell unlinks it, else the folder stays in the tests' prefix.
        Shell(L"rm -f link.cmb");
        std::error_code ignored;
        if (!fs::is_symlink(dir / "link.cmb", ignored)) fs::remove_all(dir, ignored);
    }
    std::string Read(const char* name) const {
        std::ifstream in(dir / name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    void Write(const char* name, const std::string& text) const {
        std::ofstream(dir / name, std::ios::binary) << text;
    }
    void Save(const char* name, const std::string& text) const {
        AfxWriteFileSafely(
            (dir / name).wstring(),
            std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    }
    // Runs `command` with /bin/sh in the test folder; false when it fails or cannot run.
    // Wine does not wait for Unix processes: the command leaves its status in a file.
    bool Shell(const std::wstring& command) const {
        using UnixName = char*(CDECL*)(const wchar_t*);
        auto unixName = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
        char* folder = unixName ? unixName(dir.c_str()) : nullptr;
        if (!folder) return false;
        std::wstring line = L"/bin/sh -c \"cd '" + fs::path(folder).wstring() + L"' && (" +
                            command + L"); echo $? > status.tmp && mv status.tmp status\"";
        HeapFree(GetProcessHeap(), 0, folder);
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        if (!CreateProcessW(L"/bin/sh", line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                            &si, &pi))
            return false;
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        for (int i = 0; i < 200 && !fs::exists(dir / "status"); ++i)
            Sleep(50);
        const std::string status = Read("status");
        fs::remove(dir / "status");
        return status == "0\n";
    }
};

TEST_F(SafeFile, LinkTargetsHardLinksAndPermissionsSurvive) {
    Write("solo.cmb", "old");
    Write("twin.cmb", "old pattern");
    Write("private.cmb", "old");
    if (!Shell(L"ln -s solo.cmb link.cmb && ln twin.cmb hard.cmb && chmod 600 private.cmb"))
        GTEST_SKIP() << "no Unix shell to make links with";
    Save("link.cmb", "new");
    Save("twin.cmb", "new");               // shorter, in place
    Save("private.cmb", "new and longer"); // longer, in place
    EXPECT_EQ(Read("solo.cmb"), "new");
    EXPECT_EQ(Read("hard.cmb"), "new");
    EXPECT_EQ(Read("private.cmb"), "new and longer");
    EXPECT_TRUE(Shell(L"test -L link.cmb && test $(stat -c %h twin.cmb) = 2 && test $(stat -c %a "
                      L"private.cmb) = 600"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 5); // no temporary file left
}

TEST_F(SafeFile, FailureKeepsTheOldFileAndNamesItAndASaveRemovesOurLeftovers) {
    Write("p.cmb", "old");
    Write("~kiv0badf00d.tmp", "killed midway");
    Write("~kivnotes.tmp", "someone else's");
    const std::wstring path = (dir / "p.cmb").wstring();
    try {
        // As CFile::Write reports a full disk: named after the temporary file it writes.
        AfxWriteFileSafely(path, [](CFile& file) {
            throw CFileException(CFileException::diskFull, ERROR_DISK_FULL, file.GetFilePath());
        });
        ADD_FAILURE() << "no exception";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.GetErrorMessage(), L"Диск переполнен при записи файла «" + path + L"».");
    }
    EXPECT_EQ(Read("p.cmb"), "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 3);

    Save("p.cmb", "new");
    EXPECT_EQ(Read("p.cmb"), "new");
    EXPECT_FALSE(fs::exists(dir / "~kiv0badf00d.tmp"));
    EXPECT_TRUE(fs::exists(dir / "~kivnotes.tmp"));
}

} // namespace
