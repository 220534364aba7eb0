// The release as a user gets it: what Explorer shows of the binaries, the sample tavo.ini
// the library must accept, and the sample patterns as the program reads them.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <regex>
#include <string>

#include "document/cmb_format.h"
#include "driver/driver.h"
#include "kiv_version.h"
#include "release/samples.h"
#include "tavo/backends/serial/serial_frames.h"
#include "tavo/settings/settings.h"

namespace {

class CVersionInfo {
public:
    explicit CVersionInfo(const std::wstring& path) {
        DWORD ignored = 0;
        m_data.resize(GetFileVersionInfoSizeW(path.c_str(), &ignored));
        if (m_data.empty() ||
            !GetFileVersionInfoW(path.c_str(), 0, DWORD(m_data.size()), m_data.data()))
            m_data.clear();
    }
    bool Found() const { return !m_data.empty(); }

    const VS_FIXEDFILEINFO* Fixed() const {
        return static_cast<const VS_FIXEDFILEINFO*>(Query(L"\\"));
    }
    // A string of the Russian Unicode block, the one the Translation entry names.
    std::wstring Text(const std::wstring& name) const {
        const auto text =
            static_cast<const wchar_t*>(Query(L"\\StringFileInfo\\041904B0\\" + name));
        return text ? text : L"(missing)";
    }
    DWORD Translation() const {
        const auto pair = static_cast<const WORD*>(Query(L"\\VarFileInfo\\Translation"));
        return pair ? MAKELONG(pair[1], pair[0]) : 0;
    }

private:
    const void* Query(const std::wstring& path) const {
        void* value = nullptr;
        UINT size = 0;
        return VerQueryValueW(m_data.data(), path.c_str(), &value, &size) && size ? value : nullptr;
    }
    std::vector<char> m_data;
};

std::wstring Widen(const char* text) {
    return std::wstring(text, text + std::strlen(text));
}

TEST(Release, EveryBinaryCarriesTheVersionFromOnePlace) {
    unsigned major = 0, minor = 0, patch = 0;
    ASSERT_EQ(std::sscanf(KIV_VERSION_TEXT, "%u.%u.%u", &major, &minor, &patch), 3);
    for (const wchar_t* name : {L"kiv.exe", L"tavo.dll", L"tavo_outputs.exe"}) {
        SCOPED_TRACE(kivdrv::Narrow(name));
        const CVersionInfo info(kivdrv::ProgramFolder() + name);
        ASSERT_TRUE(info.Found());
        ASSERT_TRUE(info.Fixed());
        EXPECT_EQ(info.Fixed()->dwFileVersionMS, MAKELONG(minor, major));
        EXPECT_EQ(info.Fixed()->dwFileVersionLS, MAKELONG(0, patch));
        EXPECT_EQ(info.Fixed()->dwProductVersionMS, info.Fixed()->dwFileVersionMS);
        EXPECT_EQ(info.Translation(), 0x041904B0u);
        EXPECT_EQ(info.Text(L"FileVersion"), Widen(KIV_VERSION_TEXT));
        EXPECT_EQ(info.Text(L"ProductVersion"), Widen(KIV_VERSION_TEXT));
        EXPECT_EQ(info.Text(L"ProductName"), L"Автомат световых эффектов");
        EXPECT_EQ(info.Text(L"OriginalFilename"), name);
        EXPECT_EQ(info.Text(L"LegalCopyright").substr(0, 2), L"© ");
        for (const wchar_t* field : {L"FileDescription", L"CompanyName"})
            EXPECT_GT(info.Text(field).size(), 5u) << kivdrv::Narrow(field);
    }
}

// Started from Explorer, a console program would open a console window beside its own.
TEST(Release, ProgramsNeedNoConsole) {
    for (const wchar_t* name : {L"kiv.exe", L"tavo_outputs.exe"}) {
        const auto image = kivdrv::ReadFileBytes(kivdrv::ProgramFolder() + name);
        ASSERT_TRUE(image && image->size() > sizeof(IMAGE_DOS_HEADER)) << kivdrv::Narrow(name);
        IMAGE_DOS_HEADER dos;
        std::memcpy(&dos, image->data(), sizeof dos);
        IMAGE_NT_HEADERS nt;
        ASSERT_GE(image->size(), dos.e_lfanew + sizeof nt);
        std::memcpy(&nt, image->data() + dos.e_lfanew, sizeof nt);
        EXPECT_EQ(nt.OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI) << kivdrv::Narrow(name);
    }
}

TEST(Release, ProgramManifestAsksNoElevationNorVisualStyles) {
    const HMODULE exe = LoadLibraryExW((kivdrv::ProgramFolder() + L"kiv.exe").c_str(), nullptr,
                                       LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_TRUE(exe);
    const HRSRC found = FindResourceW(exe, MAKEINTRESOURCEW(1), RT_MANIFEST);
    ASSERT_TRUE(found);
    const std::string xml(static_cast<const char*>(LockResource(LoadResource(exe, found))),
                          SizeofResource(exe, found));
    FreeLibrary(exe);
    EXPECT_NE(xml.find(R"(level="asInvoker")"), std::string::npos);
    // Windows 7, 8, 8.1, 10/11.
    for (const char* os :
         {"35138b9a-5d96-4fbd-8e2d-a2440225f93a", "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38",
          "1f676c76-80e1-4239-95bb-83d0f6d0da78", "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a"})
        EXPECT_NE(xml.find(std::string("<supportedOS Id=\"{") + os + "}\"/>"), std::string::npos)
            << os;
    // The classic controls and the DPI behaviour stay as they were without a manifest.
    for (const char* absent : {"Microsoft.Windows.Common-Controls", "<dpiAware", "<dpiAwareness"})
        EXPECT_EQ(xml.find(absent), std::string::npos) << absent;
}

TEST(Release, SampleIniIsAcceptedAsShippedAndWithEveryExampleSwitchedOn) {
    const auto bytes = kivdrv::ReadFileBytes(kivdrv::ProgramFolder() + L"release\\tavo.ini");
    ASSERT_TRUE(bytes);
    const std::string shipped(bytes->begin(), bytes->end());
    ASSERT_TRUE(shipped.starts_with("\xEF\xBB\xBF")) << "Notepad needs the byte order mark";
    const auto noEnv = [](std::string_view) { return std::optional<std::string>(); };

    // As shipped everything is commented out, so every default holds.
    tavo::CSettings asShipped(noEnv, shipped);
    for (const auto& key : tavo::kSettingKeys)
        EXPECT_FALSE(asShipped.Raw(key.name)) << key.name;
    EXPECT_EQ(asShipped.Notes(), std::vector<std::string>{});

    // Each key has an example line "; key = value": taken in, each must parse.
    const std::regex example(R"(^; ?(\w+ = [^\r\n]*)\r$)", std::regex::multiline);
    const std::string uncommented = std::regex_replace(shipped, example, "$1\r");
    tavo::CSettings s(noEnv, uncommented);
    for (const auto& key : tavo::kSettingKeys)
        EXPECT_TRUE(s.Raw(key.name)) << key.name << " has no example line";
    EXPECT_EQ(s.Lpt(), (tavo::LptAddresses{0x378, 0, 0}));
    EXPECT_EQ(s.Backends(), std::vector{tavo::BackendKind::Auto});
    EXPECT_EQ(s.Lamps(), true);
    EXPECT_TRUE(s.Integer("universe", 1, 63999));
    EXPECT_TRUE(s.Integer("channel", 1, 505));
    EXPECT_TRUE(s.Integer("level", 0, 255));
    EXPECT_TRUE(tavo::ReadSerialConfig(s));
    for (const char* key : {"bridge", "net_target"})
        EXPECT_TRUE(tavo::ParseIpv4Endpoint(s.Raw(key)->text)) << key;
    EXPECT_EQ(s.Notes(), std::vector<std::string>{});
}

TEST(Release, SamplePatternsReadBackThroughTheCodec) {
    const kivdrv::CTempDir dir;
    ASSERT_TRUE(release::WriteSamples(dir.Path()));
    const std::pair<const char*, std::vector<unsigned>> expected[] = {
        {"running-light.cmb", {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80}},
        {"chase-both-ends.cmb", {0x81, 0x42, 0x24, 0x18, 0x24, 0x42}},
        {"blink-all.cmb", {0xFF, 0x00}},
    };
    ASSERT_EQ(release::Samples().size(), std::size(expected));
    for (const auto& [file, bytes] : expected) {
        SCOPED_TRACE(file);
        const auto data = kivdrv::ReadFileBytes(dir / file);
        ASSERT_TRUE(data);
        EXPECT_EQ(data->size(), 6 + 32 * bytes.size());
        cmb::MemorySource source(std::as_bytes(std::span(*data)));
        std::vector<KIV_ROW> rows;
        ASSERT_EQ(cmb::Read(source, rows, 1000), cmb::Status::Ok);
        std::vector<unsigned> played;
        for (const KIV_ROW& row : rows) {
            unsigned bits = 0;
            for (unsigned j = 0; j < 8; ++j) {
                EXPECT_TRUE(row[j] == 0 || row[j] == 1) << "cells hold 0 or 1, as a click does";
                bits |= unsigned(row[j] == 1) << j;
            }
            played.push_back(bits);
        }
        EXPECT_EQ(played, bytes);
    }
}

} // namespace
