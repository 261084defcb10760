// The simulated HID bus keeps the rules of the real SetupAPI, HID and file calls, so code that
// passes here also passes on Windows.
#include <functional>
#include <tuple>

#include "tests/unit/unit_link_test.h"

namespace {

// Test names show the case's name, not its bytes.
template <class Case>
requires requires(const Case& c) {
    c.name;
}
void PrintTo(const Case& c, std::ostream* out) {
    *out << c.name;
}

using HidBus = UnitLinkTest;

const std::wstring kPath = L"\\\\?\\hid#vid_21b8&pid_0001#1";

HDEVINFO HidSet(DWORD flags = DIGCF_PRESENT | DIGCF_DEVICEINTERFACE) {
    GUID guid;
    HidD_GetHidGuid(&guid);
    return SetupDiGetClassDevsW(&guid, nullptr, nullptr, flags);
}

// The path of the set's interface at index, or empty when there is none.
std::wstring PathAt(HDEVINFO set, DWORD index) {
    GUID guid = sim::hid::HidClassGuid();
    SP_DEVICE_INTERFACE_DATA data = {};
    data.cbSize = sizeof data;
    if (!SetupDiEnumDeviceInterfaces(set, nullptr, &guid, index, &data)) return {};
    std::vector<unsigned char> block(4096);
    auto detail = reinterpret_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_W>(block.data());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
    if (!SetupDiGetDeviceInterfaceDetailW(set, &data, detail, 4096, nullptr, nullptr)) return {};
    return detail->DevicePath;
}

sim::UnitConfig AtPath(const std::wstring& path, const std::string& scenario = "") {
    sim::UnitConfig config = ScenarioConfig(scenario);
    config.path = path;
    return config;
}

HANDLE Open(const std::wstring& path, DWORD access = GENERIC_READ | GENERIC_WRITE) {
    return CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

TEST_F(HidBus, EnumerationFollowsTheSetupRules) {
    Plug(AtPath(kPath));
    GUID guid = sim::hid::HidClassGuid();
    EXPECT_EQ(guid.Data1, 0x4D1E55B2u);
    HDEVINFO set = HidSet();
    ASSERT_NE(set, INVALID_HANDLE_VALUE);
    EXPECT_EQ(sim::hid::LiveDeviceInfoSets(), 1u);

    SP_DEVICE_INTERFACE_DATA data = {};
    data.cbSize = sizeof data + 1;
    EXPECT_FALSE(SetupDiEnumDeviceInterfaces(set, nullptr, &guid, 0, &data));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_USER_BUFFER});
    data.cbSize = sizeof data;
    EXPECT_FALSE(SetupDiEnumDeviceInterfaces(set, nullptr, &guid, 1, &data));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_NO_MORE_ITEMS});
    ASSERT_TRUE(SetupDiEnumDeviceInterfaces(set, nullptr, &guid, 0, &data));

    DWORD required = 0;
    EXPECT_FALSE(SetupDiGetDeviceInterfaceDetailW(set, &data, nullptr, 0, &required, nullptr));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_INSUFFICIENT_BUFFER});
    EXPECT_EQ(required, offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath) +
                            (kPath.size() + 1) * sizeof(WCHAR));

    std::vector<unsigned char> block(required);
    auto detail = reinterpret_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_W>(block.data());
    detail->cbSize = required;
    EXPECT_FALSE(SetupDiGetDeviceInterfaceDetailW(set, &data, detail, required, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_USER_BUFFER}) << "cbSize is the header's size";
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
    EXPECT_FALSE(
        SetupDiGetDeviceInterfaceDetailW(set, &data, detail, required - 1, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_INSUFFICIENT_BUFFER});
    ASSERT_TRUE(SetupDiGetDeviceInterfaceDetailW(set, &data, detail, required, nullptr, nullptr));
    EXPECT_EQ(std::wstring(detail->DevicePath), kPath);

    EXPECT_TRUE(SetupDiDestroyDeviceInfoList(set));
    EXPECT_FALSE(SetupDiEnumDeviceInterfaces(set, nullptr, &guid, 0, &data));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_HANDLE});
    EXPECT_FALSE(SetupDiDestroyDeviceInfoList(set));
}

TEST_F(HidBus, SetIsASnapshotOfTheInterfacesPresent) {
    const std::wstring other = L"\\\\?\\hid#other";
    auto first = Plug(AtPath(kPath));
    HDEVINFO before = HidSet();
    Plug(AtPath(other));
    sim::PullVirtualUnit(*first);
    HDEVINFO after = HidSet();
    HDEVINFO everything = HidSet(DIGCF_DEVICEINTERFACE);

    EXPECT_EQ(PathAt(before, 0), kPath);
    EXPECT_EQ(PathAt(before, 1), L"");
    EXPECT_EQ(PathAt(after, 0), other);
    EXPECT_EQ(PathAt(after, 1), L"");
    EXPECT_EQ(PathAt(everything, 1), kPath) << "without DIGCF_PRESENT, departed ones too";
    EXPECT_EQ(Open(kPath), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_FILE_NOT_FOUND});

    for (HDEVINFO set : {before, after, everything}) SetupDiDestroyDeviceInfoList(set);
}

struct CallCase {
    const char* name;
    std::function<BOOL(HANDLE)> call;
};

uint8_t buffer[64];
DWORD count;

const CallCase kCallCases[] = {
    {"WriteFile", [](HANDLE h) { return WriteFile(h, buffer, 64, &count, nullptr); }},
    {"ReadFile", [](HANDLE h) { return ReadFile(h, buffer, 64, &count, nullptr); }},
    {"GetInputReport", [](HANDLE h) { return BOOL{HidD_GetInputReport(h, buffer, 64)}; }},
    {"GetAttributes",
     [](HANDLE h) {
         HIDD_ATTRIBUTES attributes = {sizeof attributes, 0, 0, 0};
         return BOOL{HidD_GetAttributes(h, &attributes)};
     }},
    {"GetPreparsedData",
     [](HANDLE h) {
         PHIDP_PREPARSED_DATA data = nullptr;
         return BOOL{HidD_GetPreparsedData(h, &data)};
     }},
};

class HandleCall : public HidBus, public ::testing::WithParamInterface<CallCase> {};

TEST_P(HandleCall, FailsOnAPulledDeviceAndOnAnInvalidHandle) {
    auto device = Plug(AtPath(kPath));
    HANDLE handle = Open(kPath);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    sim::PullVirtualUnit(*device);

    EXPECT_FALSE(GetParam().call(handle));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_DEVICE_NOT_CONNECTED});
    EXPECT_FALSE(GetParam().call(INVALID_HANDLE_VALUE));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_HANDLE});

    EXPECT_TRUE(CloseHandle(handle)) << "the handle itself stays valid";
    EXPECT_FALSE(CloseHandle(handle));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_HANDLE});
}

INSTANTIATE_TEST_SUITE_P(UnitLink, HandleCall, ::testing::ValuesIn(kCallCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(HidBus, PluggingAndPullingAreAnnounced) {
    std::vector<std::tuple<uint32_t, uint32_t, std::wstring>> heard;
    sim::SetDeviceChangeListener([&](uint32_t event, uint32_t type, const std::wstring& path) {
        heard.emplace_back(event, type, path);
    });
    Plug(AtPath(kPath, "unplug_report=2"));
    HANDLE handle = Open(kPath);
    uint8_t report[64] = {0x01, 0x05};

    EXPECT_TRUE(WriteFile(handle, report, 64, &count, nullptr));
    EXPECT_TRUE(WriteFile(handle, report, 64, &count, nullptr)) << "written, then pulled";
    EXPECT_FALSE(WriteFile(handle, report, 64, &count, nullptr));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_DEVICE_NOT_CONNECTED});

    sim::SetDeviceChangeListener(nullptr);
    CloseHandle(handle);
    using Heard = std::tuple<uint32_t, uint32_t, std::wstring>;
    EXPECT_EQ(heard, (std::vector<Heard>{{0x8000, 5, kPath}, {0x8004, 5, kPath}}));
    EXPECT_TRUE(sim::hid::List().empty());
}

TEST_F(HidBus, TransfersTakeWholeReports) {
    Plug(AtPath(kPath, "inlen=32;outlen=64"));
    HANDLE handle = Open(kPath);
    uint8_t report[64] = {0x02};

    EXPECT_FALSE(WriteFile(handle, report, 63, &count, nullptr));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_USER_BUFFER});
    EXPECT_FALSE(ReadFile(handle, report, 31, &count, nullptr));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_USER_BUFFER});
    EXPECT_FALSE(HidD_GetInputReport(handle, report, 31));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_USER_BUFFER});
    EXPECT_FALSE(WriteFile(handle, report, 64, &count, reinterpret_cast<LPOVERLAPPED>(report)));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_PARAMETER}) << "the handle is synchronous";
    CloseHandle(handle);

    HANDLE readOnly = Open(kPath, GENERIC_READ);
    EXPECT_FALSE(WriteFile(readOnly, report, 64, &count, nullptr));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_ACCESS_DENIED});
    CloseHandle(readOnly);
}

TEST_F(HidBus, KeyboardOpensOnlyWithoutAccess) {
    ASSERT_TRUE(sim::hid::PlugKeyboard(kPath));
    EXPECT_EQ(Open(kPath), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_ACCESS_DENIED});

    HANDLE handle = Open(kPath, 0);
    HIDD_ATTRIBUTES attributes = {sizeof attributes, 0, 0, 0};
    EXPECT_TRUE(HidD_GetAttributes(handle, &attributes));
    EXPECT_NE(attributes.VendorID, UNIT_VENDOR_ID);
    CloseHandle(handle);
}

TEST_F(HidBus, PreparsedDataLivesUntilFreed) {
    Plug(AtPath(kPath, "inlen=20;outlen=51"));
    HANDLE handle = Open(kPath);
    PHIDP_PREPARSED_DATA data = nullptr;
    ASSERT_TRUE(HidD_GetPreparsedData(handle, &data));
    EXPECT_EQ(sim::hid::LivePreparsedData(), 1u);

    HIDP_CAPS caps = {};
    EXPECT_EQ(HidP_GetCaps(data, &caps), HIDP_STATUS_SUCCESS);
    EXPECT_EQ(caps.InputReportByteLength, 20);
    EXPECT_EQ(caps.OutputReportByteLength, 51);

    EXPECT_TRUE(HidD_FreePreparsedData(data));
    EXPECT_EQ(HidP_GetCaps(data, &caps), HIDP_STATUS_INVALID_PREPARSED_DATA);
    EXPECT_FALSE(HidD_FreePreparsedData(data));
    CloseHandle(handle);
}

}  // namespace
