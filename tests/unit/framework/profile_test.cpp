// The profile in the registry: numbers, strings and binary values; reading creates nothing.
#include "test_app.h"

#include <gtest/gtest.h>

namespace {
bool KeyExists(const std::wstring& path) {
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}
} // namespace

TEST(Profile, ValuesRoundTripUnderKeyAndApplicationName) {
    ClearTestProfile();
    CTestApp& app = TestApp();
    std::wstring base = app.GetAppRegistryPath();
    ASSERT_EQ(base, L"Software\\KivTests-" + std::to_wstring(GetCurrentProcessId()) +
                        L"\\KivFrameworkTests");

    EXPECT_EQ(app.GetProfileInt(L"Раздел", L"n", 77), 77u);
    EXPECT_EQ(app.GetProfileString(L"Раздел", L"s", L"нет"), L"нет");
    std::vector<BYTE> data{1, 2, 3};
    EXPECT_FALSE(app.GetProfileBinary(L"Раздел", L"b", data));
    EXPECT_TRUE(data.empty());
    EXPECT_FALSE(KeyExists(base)); // reading leaves no trace

    EXPECT_TRUE(app.WriteProfileInt(L"Раздел", L"n", -5));
    EXPECT_TRUE(app.WriteProfileString(L"Раздел", L"s", L"Автомат"));
    const BYTE blob[] = {0, 0xFF, 0x10, 0};
    EXPECT_TRUE(app.WriteProfileBinary(L"Раздел", L"b", blob));
    EXPECT_EQ(static_cast<int>(app.GetProfileInt(L"Раздел", L"n", 0)), -5);
    EXPECT_EQ(app.GetProfileString(L"Раздел", L"s"), L"Автомат");
    EXPECT_TRUE(app.GetProfileBinary(L"Раздел", L"b", data));
    EXPECT_EQ(data, std::vector<BYTE>(std::begin(blob), std::end(blob)));
    EXPECT_TRUE(KeyExists(base + L"\\Раздел"));

    // A value of the wrong type reads as missing.
    EXPECT_EQ(app.GetProfileInt(L"Раздел", L"s", 9), 9u);
    EXPECT_TRUE(app.WriteProfileString(L"Раздел", L"s", nullptr));
    EXPECT_EQ(app.GetProfileString(L"Раздел", L"s", L"-"), L"-");
    EXPECT_TRUE(app.DeleteProfileSection(L"Раздел"));
    EXPECT_FALSE(KeyExists(base + L"\\Раздел"));
    ClearTestProfile();
}

TEST(CommandLine, FileNameOpensAndSwitchesAreRecognised) {
    struct Case {
        const wchar_t* line;
        CCommandLineInfo::Shell shell;
        const wchar_t* file;
    };
    const Case cases[] = {
        {L"", CCommandLineInfo::FileNew, L""},
        {L" \t ", CCommandLineInfo::FileNew, L""},
        {L"\"C:\\мои файлы\\огни.cmb\"", CCommandLineInfo::FileOpen, L"C:\\мои файлы\\огни.cmb"},
        {L"/p a.cmb", CCommandLineInfo::FilePrint, L"a.cmb"},
        {L"-dde", CCommandLineInfo::FileDDE, L""},
        {L"/Regserver", CCommandLineInfo::AppRegister, L""},
        {L"/Unregister", CCommandLineInfo::AppUnregister, L""},
    };
    CTestApp& app = TestApp();
    for (const Case& c : cases) {
        app.m_strCmdLine = c.line;
        CCommandLineInfo info;
        app.ParseCommandLine(info);
        EXPECT_EQ(info.m_nShellCommand, c.shell) << c.line;
        EXPECT_EQ(info.m_strFileName, c.file) << c.line;
    }
    app.m_strCmdLine.clear();
}
