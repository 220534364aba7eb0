// System DLL functions looked up on first use.
#include "framework/sysdll.h"

#include <gtest/gtest.h>

TEST(SystemDll, FindsSystemFunctionsAndAnswersNullForMissingOnes) {
    auto* length = sysdll::Function<decltype(lstrlenW)>(L"kernel32.dll", "lstrlenW");
    ASSERT_NE(length, nullptr);
    EXPECT_EQ(length(L"огни"), 4);
    EXPECT_EQ(sysdll::Function<void()>(L"kernel32.dll", "NoSuchFunction"), nullptr);
    EXPECT_EQ(sysdll::Function<void()>(L"kiv_no_such.dll", "lstrlenW"), nullptr);
    // Only the system folder counts: the tests' own folder holds tavo.dll.
    EXPECT_EQ(sysdll::Function<void()>(L"tavo.dll", "CountLPT"), nullptr);
}
