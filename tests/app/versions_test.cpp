// Version numbers as the user reads them.
#include <gtest/gtest.h>

#include <string>

#include "app/versions.h"
#include "tests/support/program.h"

namespace {

using namespace program;

std::wstring Formatted(uint32_t value, size_t capacity = VERSION_TEXT_SIZE) {
    wchar_t text[VERSION_TEXT_SIZE + 1];
    text[capacity] = L'#';  // must stay untouched
    FormatVersion(value, text, capacity);
    EXPECT_EQ(text[capacity], L'#') << "wrote past the capacity";
    return text;
}

struct FormatCase {
    uint32_t value;
    const wchar_t* text;
};

class FormatVersionTable : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatVersionTable, GivesDottedGroups) {
    EXPECT_EQ(Formatted(GetParam().value), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Values, FormatVersionTable,
    ::testing::Values(FormatCase{0x00000000, L"0.00"}, FormatCase{0x00000001, L"0.01"},
                      FormatCase{0x00000100, L"1.00"}, FormatCase{0x00000105, L"1.05"},
                      FormatCase{0x00000A0B, L"10.11"}, FormatCase{0x0000FFFF, L"255.255"},
                      FormatCase{0x00010000, L"1.00.00"}, FormatCase{0x00010203, L"1.02.03"},
                      FormatCase{0x000A0000, L"10.00.00"}, FormatCase{0x00FF0102, L"255.01.02"},
                      FormatCase{0x00050105, L"5.01.05"}, FormatCase{0x01000000, L"1.00.00.00"},
                      FormatCase{0x01020304, L"1.02.03.04"},
                      FormatCase{0x12345678, L"18.52.86.120"},
                      FormatCase{0xFFFFFFFF, L"255.255.255.255"}));

TEST(FormatVersion, StaysWithinASmallBuffer) {
    EXPECT_EQ(Formatted(0xFFFFFFFF, 8), L"255.255");
    EXPECT_EQ(Formatted(0x01020304, 1), L"");
}

struct ShownCase {
    const char* scenario;
    const wchar_t* bootloader;
    const wchar_t* firmware;
};

class ShownVersions : public ProgramTest, public ::testing::WithParamInterface<ShownCase> {};

TEST_P(ShownVersions, OfTheHeldUnit) {
    PlugUnit(GetParam().scenario);
    VersionRows rows{};
    RunWith({sim::user::Do("look", [&] { rows = ReadVersionRows(); })});
    EXPECT_EQ(rows.bootloader, GetParam().bootloader);
    EXPECT_EQ(rows.firmware, GetParam().firmware);
    for (bool enabled : rows.enabled) EXPECT_TRUE(enabled);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, ShownVersions,
    ::testing::Values(ShownCase{"bootloader=0x01020304;firmware=0x01020304", L"1.02.03", L"1.02.03.04"},
                      ShownCase{"bootloader=0x00010000;firmware=0x00010000", L"1.00", L"1.00"},
                      ShownCase{"bootloader=0x00000100;firmware=0x00020100", L"0.01", L"2.01"},
                      ShownCase{"bootloader=0;firmware=0", L"0.00", L"0.00"},
                      ShownCase{"bootloader=0xFFFFFFFF;firmware=none", L"255.255.255", L"----------"},
                      ShownCase{"firmware=0x0000FF00", L"1.00", L"0.255"},
                      ShownCase{"firmware=0x01020300", L"1.00", L"1.02.03"},
                      ShownCase{"firmware=0x01020301", L"1.00", L"1.02.03.01"}));

}  // namespace
