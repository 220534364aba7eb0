// How the port settings dialog shows an address.
#include "frame/portsettingsdlg.h"

#include <gtest/gtest.h>

namespace {

TEST(PortSettings, AddressesAreLowerCaseHexWithoutLeadingZeros) {
    EXPECT_EQ(CPortSettingsDlg::FormatAddress(0x378), L"378h");
    EXPECT_EQ(CPortSettingsDlg::FormatAddress(0x3BC), L"3bch");
    EXPECT_EQ(CPortSettingsDlg::FormatAddress(0x0278), L"278h");
    EXPECT_EQ(CPortSettingsDlg::FormatAddress(0xFFFFFFFF), L"ffffffffh");
}

} // namespace
