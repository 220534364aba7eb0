// Registration of a file type for the current user: written once, then left alone.
#include "test_app.h"

#include "framework/doc.h"
#include "framework/doctempl.h"
#include "framework/frame.h"
#include "framework/regkey.h"
#include "framework/view.h"

#include <gtest/gtest.h>

namespace {
const std::wstring kClasses = L"Software\\Classes\\";
const std::wstring kType = L"KivTests.Type" + std::to_wstring(GetCurrentProcessId());
const std::wstring kExt = L".kivt" + std::to_wstring(GetCurrentProcessId());
const std::wstring kExe = L"C:\\Программы\\kiv.exe";

class CTypeTemplate : public CSingleDocTemplate {
public:
    CTypeTemplate()
        : CSingleDocTemplate(0, RUNTIME_CLASS(CDocument), RUNTIME_CLASS(CFrameWnd),
                             RUNTIME_CLASS(CView)) {
        m_strDocStrings = L"\n\n\nТест (*" + kExt + L")\n" + kExt + L"\n" + kType + L"\nТест";
    }
};

std::wstring Default(const std::wstring& subkey) {
    CRegKey key;
    std::wstring value;
    if (!key.Open(HKEY_CURRENT_USER, kClasses + subkey) || !key.QueryString(nullptr, value))
        return L"(none)";
    return value;
}

void Clear() {
    RegDeleteTreeW(HKEY_CURRENT_USER, (kClasses + kType).c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, (kClasses + kType).c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, (kClasses + kExt).c_str());
}
} // namespace

TEST(Shell, FileTypeIsWrittenWhenMissingOrDifferentAndOtherwiseLeftAlone) {
    Clear();
    std::vector<std::unique_ptr<CDocTemplate>> templates;
    templates.push_back(std::make_unique<CTypeTemplate>());
    const std::wstring command = kType + L"\\shell\\open\\command";

    EXPECT_TRUE(AfxRegisterFileTypes(templates, kExe));
    EXPECT_EQ(Default(kExt), kType);
    EXPECT_EQ(Default(kType), L"Тест");
    EXPECT_EQ(Default(kType + L"\\DefaultIcon"), kExe + L",0");
    EXPECT_EQ(Default(command), L"\"" + kExe + L"\" \"%1\"");
    EXPECT_FALSE(AfxRegisterFileTypes(templates, kExe));

    // One value changed elsewhere (the program moved, say): put back, and only then again.
    CRegKey key;
    ASSERT_TRUE(key.Create(HKEY_CURRENT_USER, kClasses + command));
    ASSERT_TRUE(key.SetString(nullptr, L"other.exe %1"));
    EXPECT_TRUE(AfxRegisterFileTypes(templates, kExe));
    EXPECT_EQ(Default(command), L"\"" + kExe + L"\" \"%1\"");
    EXPECT_FALSE(AfxRegisterFileTypes(templates, kExe));
    Clear();
}
