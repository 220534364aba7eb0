// CFile and CArchive: little-endian values, the end of the file, raw reads.
#include "framework/archive.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

// A file in the temporary folder, removed afterwards.
struct TempPath {
    std::wstring path;
    TempPath() {
        wchar_t dir[MAX_PATH], name[MAX_PATH];
        GetTempPathW(MAX_PATH, dir);
        GetTempFileNameW(dir, L"kfa", 0, name);
        path = name;
    }
    ~TempPath() { DeleteFileW(path.c_str()); }
    std::vector<uint8_t> Bytes() const {
        std::ifstream in(std::filesystem::path(path), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    void Write(const std::vector<uint8_t>& bytes) const {
        std::ofstream out(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    }
};

} // namespace

TEST(Archive, StoresNumbersLittleEndianAndLoadsThemBack) {
    TempPath temp;
    {
        CFile file(temp.path, CFile::modeCreate | CFile::modeWrite);
        CArchive ar(&file, CArchive::store, 16); // small buffer: values straddle flushes
        ar << int32_t{10} << uint16_t{0xFFFF} << uint32_t{0x12345678} << uint8_t{0xAB}
           << int16_t{-2};
        for (int i = 0; i < 10; ++i)
            ar << uint32_t(i);
        ar.Close();
    }
    std::vector<uint8_t> bytes = temp.Bytes();
    ASSERT_EQ(bytes.size(), 4u + 2 + 4 + 1 + 2 + 40);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 13),
              (std::vector<uint8_t>{0x0A, 0, 0, 0, 0xFF, 0xFF, 0x78, 0x56, 0x34, 0x12, 0xAB, 0xFE,
                                    0xFF}));

    CFile file(temp.path, CFile::modeRead);
    CArchive ar(&file, CArchive::load, 16);
    int32_t version;
    uint16_t count;
    uint32_t big;
    uint8_t small;
    int16_t negative;
    ar >> version >> count >> big >> small >> negative;
    EXPECT_EQ(version, 10);
    EXPECT_EQ(count, 0xFFFF);
    EXPECT_EQ(big, 0x12345678u);
    EXPECT_EQ(small, 0xAB);
    EXPECT_EQ(negative, -2);
    for (uint32_t i = 0; i < 10; ++i) {
        uint32_t v;
        ar >> v;
        EXPECT_EQ(v, i);
    }
}

TEST(Archive, TypedReadPastTheEndThrowsEndOfFileButRawReadReturnsTheCount) {
    TempPath temp;
    temp.Write({1, 2, 3, 4, 5, 6});
    {
        CFile file(temp.path, CFile::modeRead);
        CArchive ar(&file, CArchive::load);
        uint32_t v;
        ar >> v;
        EXPECT_EQ(v, 0x04030201u);
        try {
            ar >> v; // only two bytes left
            FAIL() << "no exception";
        } catch (const CArchiveException& e) {
            EXPECT_EQ(e.m_cause, CArchiveException::endOfFile);
            EXPECT_EQ(e.m_strFileName, temp.path);
        }
    }
    CFile file(temp.path, CFile::modeRead);
    CArchive ar(&file, CArchive::load, 16);
    std::vector<uint8_t> buffer(100, 0xEE);
    EXPECT_EQ(ar.Read(buffer.data(), 100), 6u);
    EXPECT_EQ(buffer[5], 6);
    EXPECT_EQ(buffer[6], 0xEE);
    EXPECT_EQ(ar.Read(buffer.data(), 4), 0u);
}

TEST(Archive, RawReadsLargerThanTheBufferKeepTheOrder) {
    TempPath temp;
    std::vector<uint8_t> data(1000);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<uint8_t>(i * 7);
    temp.Write(data);
    CFile file(temp.path, CFile::modeRead);
    CArchive ar(&file, CArchive::load, 64);
    uint16_t first;
    ar >> first; // leaves part of a buffer unread
    std::vector<uint8_t> rest(998);
    EXPECT_EQ(ar.Read(rest.data(), 998), 998u);
    EXPECT_EQ(first, data[0] | data[1] << 8);
    EXPECT_TRUE(std::equal(rest.begin(), rest.end(), data.begin() + 2));
}

TEST(File, OpenFailuresCarryCauseAndPath) {
    std::wstring missing = L"C:\\no such folder\\x.cmb";
    try {
        CFile file(missing, CFile::modeRead);
        FAIL() << "opened";
    } catch (const CFileException& e) {
        EXPECT_TRUE(e.m_cause == CFileException::badPath ||
                    e.m_cause == CFileException::fileNotFound);
        EXPECT_EQ(e.m_strFileName, missing);
        EXPECT_NE(e.GetErrorMessage().find(missing), std::wstring::npos);
    }
    CFile file;
    CFileException error(CFileException::none, 0, L"");
    EXPECT_FALSE(file.Open(L"C:\\windows\\no-such-file.bin", CFile::modeRead, &error));
    EXPECT_EQ(error.m_cause, CFileException::fileNotFound);
}

TEST(File, CurrentDirectoryLongerThanMaxPathIsReadWhole) {
    namespace fs = std::filesystem;
    const fs::path top =
        fs::temp_directory_path() / ("kivcwd-" + std::to_string(GetCurrentProcessId()));
    fs::path deep = top;
    for (int i = 0; i < 6; ++i)
        deep /= std::wstring(50, static_cast<wchar_t>(L'a' + i));
    fs::create_directories(deep);
    const std::wstring saved = AfxGetCurrentDirectory();
    ASSERT_TRUE(SetCurrentDirectoryW(deep.c_str()));
    const std::wstring read = AfxGetCurrentDirectory();
    SetCurrentDirectoryW(saved.c_str());
    for (fs::path p = deep; p != top.parent_path(); p = p.parent_path())
        RemoveDirectoryW((L"\\\\?\\" + p.wstring()).c_str()); // longer than the plain form allows
    EXPECT_GT(read.size(), static_cast<size_t>(MAX_PATH));
    EXPECT_EQ(fs::path(read), deep);
}
