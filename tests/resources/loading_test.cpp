// How the program gets at its resources: LoadStringW's buffer rules, the raw-data calls with
// their errors, the test replacements, and parsers that stop at the end of damaged data.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32.h"
#include "resources/resource.h"
#include "sim/platform/res.h"

namespace {

using sim::res::Id;

const HINSTANCE kProgram = sim::res::ProgramInstance();
const Id kRcData{10, {}};
const Id kFirmware{119, {}};
const Id kStringType{6, {}};

class ResourceLoading : public testing::Test {
protected:
    void TearDown() override { sim::res::RestoreAll(); }
};

// ---- LoadStringW ----------------------------------------------------------------------------

struct LoadCase {
    int capacity;
    int returned;
    const wchar_t* buffer;
};

// IDS_UPDATE_FAILED is "Update fehlgeschlagen!", 22 characters.
const LoadCase kLoadCases[] = {
    {2048, 22, L"Update fehlgeschlagen!"},
    {23, 22, L"Update fehlgeschlagen!"},
    {22, 21, L"Update fehlgeschlagen"},  // truncated, still terminated
    {2, 1, L"U"},
    {1, 0, L""},
};

TEST_F(ResourceLoading, LoadStringCopiesAtMostCapacityLessOneAndTerminates) {
    for (const LoadCase& c : kLoadCases) {
        SCOPED_TRACE(testing::Message() << "capacity " << c.capacity);
        std::vector<wchar_t> buffer(2050, L'#');
        EXPECT_EQ(LoadStringW(kProgram, IDS_UPDATE_FAILED, buffer.data(), c.capacity), c.returned);
        EXPECT_EQ(std::wstring(buffer.data()), c.buffer);
        EXPECT_EQ(buffer[c.capacity], L'#') << "nothing written past the capacity";
    }
}

TEST_F(ResourceLoading, LoadStringWithoutCapacityGivesTheTextInPlace) {
    const wchar_t* text = nullptr;
    int length = LoadStringW(kProgram, IDS_SUCCESS, reinterpret_cast<LPWSTR>(&text), 0);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::wstring(text, length),
              L"Das Update der SERVIKA Software wurde erfolgreich durchgeführt!");

    const wchar_t* again = nullptr;
    LoadStringW(kProgram, IDS_SUCCESS, reinterpret_cast<LPWSTR>(&again), 0);
    EXPECT_EQ(again, text) << "the text stays where it is";
}

struct MissingCase {
    const char* what;
    HINSTANCE instance;
    UINT id;
    DWORD error;
};

TEST_F(ResourceLoading, LoadStringOfAMissingTextGivesAnEmptyText) {
    const MissingCase cases[] = {
        {"free slot of a carried bundle", kProgram, 40003, ERROR_RESOURCE_NAME_NOT_FOUND},
        {"bundle not carried", kProgram, 7, ERROR_RESOURCE_NAME_NOT_FOUND},
        {"another module", reinterpret_cast<HINSTANCE>(uintptr_t{0x10000000}), IDS_READY,
         ERROR_RESOURCE_DATA_NOT_FOUND},
    };
    for (const MissingCase& c : cases) {
        SCOPED_TRACE(c.what);
        wchar_t buffer[16] = L"unchanged";
        SetLastError(0);
        EXPECT_EQ(LoadStringW(c.instance, c.id, buffer, 16), 0);
        EXPECT_EQ(std::wstring(buffer), L"");
        EXPECT_EQ(GetLastError(), c.error);
    }
}

TEST_F(ResourceLoading, LoadStringTakesNoModuleAsTheProgramsOwn) {
    wchar_t buffer[64];
    EXPECT_EQ(LoadStringW(nullptr, IDS_APP_ERROR, buffer, 64), 23);
    EXPECT_EQ(std::wstring(buffer), L"Fehler in der Anwendung");
}

// Texts are stored as UTF-16; a character outside the basic plane is one wide character here.
TEST_F(ResourceLoading, LoadStringJoinsSurrogatePairs) {
    // Bundle 1 holds IDs 0 to 15: "A", U+1F600 as a pair, "B", an unpaired high surrogate.
    std::vector<uint8_t> bundle = {5, 0, 'A', 0, 0x3D, 0xD8, 0x00, 0xDE, 'B', 0, 0x00, 0xD8};
    bundle.resize(bundle.size() + 15 * 2, 0);
    sim::res::Replace(kStringType, Id{1, {}}, bundle);

    wchar_t buffer[8];
    if constexpr (sizeof(wchar_t) == 4) {
        EXPECT_EQ(LoadStringW(kProgram, 0, buffer, 8), 4);
        EXPECT_EQ(std::wstring(buffer),
                  (std::wstring{L'A', wchar_t(0x1F600), L'B', wchar_t(0xD800)}));
        EXPECT_EQ(LoadStringW(kProgram, 0, buffer, 3), 2) << "capacity counts wide characters";
        EXPECT_EQ(std::wstring(buffer), (std::wstring{L'A', wchar_t(0x1F600)}));
    } else {
        EXPECT_EQ(LoadStringW(kProgram, 0, buffer, 8), 5);
    }
}

// ---- Raw data: FindResourceW, LoadResource, SizeofResource, LockResource ------------------

std::vector<uint8_t> LoadFirmware(HINSTANCE module = kProgram) {
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(IDR_FIRMWARE), RT_RCDATA);
    if (!found) return {};
    const uint8_t* bytes = static_cast<const uint8_t*>(LockResource(LoadResource(module, found)));
    DWORD size = SizeofResource(module, found);
    return bytes ? std::vector<uint8_t>(bytes, bytes + size) : std::vector<uint8_t>{};
}

TEST_F(ResourceLoading, FirmwareImageReadAsTheProgramReadsIt) {
    std::vector<uint8_t> image = LoadFirmware();
    EXPECT_EQ(image.size(), 11264u);
    EXPECT_EQ(image, sim::res::Find(kRcData, kFirmware)->data);
}

TEST_F(ResourceLoading, FindResourceFailsWithTheSystemsErrors) {
    struct Case {
        const char* what;
        HMODULE module;
        LPCWSTR name;
        LPCWSTR type;
        DWORD error;  // 0: found
    };
    const Case cases[] = {
        {"by ordinal", kProgram, MAKEINTRESOURCEW(119), RT_RCDATA, 0},
        {"by number as text", kProgram, L"#119", RT_RCDATA, 0},
        {"no module: the program", nullptr, MAKEINTRESOURCEW(110), RT_DIALOG, 0},
        {"name not carried", kProgram, MAKEINTRESOURCEW(111), RT_DIALOG,
         ERROR_RESOURCE_NAME_NOT_FOUND},
        {"named by a string", kProgram, L"FIRMWARE", RT_RCDATA, ERROR_RESOURCE_NAME_NOT_FOUND},
        {"type not carried", kProgram, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(4),
         ERROR_RESOURCE_TYPE_NOT_FOUND},
        {"another module", reinterpret_cast<HMODULE>(uintptr_t{0x10000000}), MAKEINTRESOURCEW(119),
         RT_RCDATA, ERROR_RESOURCE_DATA_NOT_FOUND},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetLastError(0);
        HRSRC found = FindResourceW(c.module, c.name, c.type);
        EXPECT_EQ(found != nullptr, c.error == 0);
        EXPECT_EQ(GetLastError(), c.error);
    }
}

TEST_F(ResourceLoading, ReplacedRemovedAndRestoredFirmwareImage) {
    std::vector<uint8_t> other(48);
    for (size_t i = 0; i < other.size(); ++i) other[i] = static_cast<uint8_t>(i * 7);
    sim::res::Replace(kRcData, kFirmware, other);
    EXPECT_EQ(LoadFirmware(), other);
    EXPECT_EQ(sim::res::Find(kRcData, kFirmware)->language, 1031) << "keeps its language";

    sim::res::Replace(kRcData, kFirmware, {});
    HRSRC empty = FindResourceW(kProgram, MAKEINTRESOURCEW(IDR_FIRMWARE), RT_RCDATA);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(SizeofResource(kProgram, empty), 0u);
    EXPECT_NE(LoadResource(kProgram, empty), nullptr) << "an empty resource still loads";

    // With no image at all the program's only raw-data resource is gone, and so is the type.
    sim::res::Remove(kRcData, kFirmware);
    SetLastError(0);
    EXPECT_EQ(FindResourceW(kProgram, MAKEINTRESOURCEW(IDR_FIRMWARE), RT_RCDATA), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_TYPE_NOT_FOUND));
    EXPECT_EQ(SizeofResource(kProgram, empty), 0u) << "the handle of a removed resource is dead";
    EXPECT_EQ(LoadResource(kProgram, empty), nullptr);

    sim::res::RestoreAll();
    EXPECT_EQ(LoadFirmware().size(), 11264u);
}

// ---- Parsers on damaged data --------------------------------------------------------------

// Cut short anywhere before its last byte, a resource is refused, never read past its end.
TEST_F(ResourceLoading, TruncatedResourcesAreRefused) {
    struct Case {
        const char* what;
        uint16_t type;
        uint16_t name;
        bool (*parses)(const std::vector<uint8_t>&);
    };
    const Case cases[] = {
        {"dialog", 5, 110,
         [](const std::vector<uint8_t>& d) { return sim::res::ParseDialog(d).has_value(); }},
        {"bitmap", 2, 121,
         [](const std::vector<uint8_t>& d) { return sim::res::DecodeBitmap(d).has_value(); }},
        {"icon group", 14, 123,
         [](const std::vector<uint8_t>& d) { return sim::res::ParseIconGroup(d).has_value(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<uint8_t>& whole = sim::res::Find(Id{c.type, {}}, Id{c.name, {}})->data;
        ASSERT_TRUE(c.parses(whole));
        // Every cut within the headers, then a spread of cuts through the rest.
        for (size_t length = 0; length < whole.size(); length += length < 1024 ? 1 : 997) {
            std::vector<uint8_t> cut(whole.begin(), whole.begin() + length);
            ASSERT_FALSE(c.parses(cut)) << "cut to " << length << " of " << whole.size();
        }
        EXPECT_FALSE(c.parses(std::vector<uint8_t>(whole.begin(), whole.end() - 1)));
    }
}

// Other resource compilers name the predefined control classes by ordinal.
TEST_F(ResourceLoading, DialogControlClassesByOrdinal) {
    std::vector<uint8_t> data;
    auto word = [&](uint16_t v) {
        data.push_back(v & 0xFF);
        data.push_back(v >> 8);
    };
    auto dword = [&](uint32_t v) {
        word(v & 0xFFFF);
        word(v >> 16);
    };
    word(1), word(0xFFFF), dword(0), dword(0), dword(WS_POPUP);  // no DS_SETFONT: no font
    word(2), word(0), word(0), word(100), word(50);
    word(0), word(0), word('T'), word(0);  // no menu, standard class, title "T"
    const uint16_t classes[] = {0x0080, 0x0082};
    for (uint16_t ordinal : classes) {
        while (data.size() % 4) data.push_back(0);
        dword(0), dword(0), dword(WS_CHILD | WS_VISIBLE), word(1), word(2), word(3), word(4),
            dword(7);
        word(0xFFFF), word(ordinal);
        word(0xFFFF), word(123);  // text by ordinal, as an icon of a static control
        word(0);
    }

    auto dialog = sim::res::ParseDialog(data);
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->title, L"T");
    EXPECT_EQ(dialog->typeface, L"");
    ASSERT_EQ(dialog->items.size(), 2u);
    EXPECT_EQ(dialog->items[0].className, L"BUTTON");
    EXPECT_EQ(dialog->items[0].classOrdinal, 0x0080);
    EXPECT_EQ(dialog->items[1].className, L"STATIC");
    EXPECT_EQ(dialog->items[1].textOrdinal, 123);
    EXPECT_EQ(dialog->items[1].text, L"");
}

}  // namespace
