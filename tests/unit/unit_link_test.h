// A machine with an empty HID bus and a record holding no unit; at the end nothing may be left
// open: no handle, no device-information set, no preparsed data.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "sim/platform/hid.h"
#include "sim/platform/kernel.h"
#include "sim/unit/on_bus.h"
#include "sim/unit/scenario.h"
#include "unit/identify.h"
#include "unit/protocol.h"
#include "unit/unit_record.h"

// A virtual unit as the scenario string describes it.
inline sim::UnitConfig ScenarioConfig(const std::string& scenario) {
    sim::UnitConfig config;
    std::string problem = sim::ParseScenario(scenario, &config);
    EXPECT_EQ(problem, "");
    return config;
}

class UnitLinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        sim::ResetKernel();
        sim::hid::Reset();
        unit.handle = INVALID_HANDLE_VALUE;
        unit.devicePath = nullptr;
        ResetUnitRecord(&unit);
    }

    void TearDown() override {
        ResetUnitRecord(&unit);
        EXPECT_EQ(sim::OpenHandleCount(), 0u) << "a handle was left open";
        EXPECT_EQ(sim::hid::LiveDeviceInfoSets(), 0u) << "a device-information set was left";
        EXPECT_EQ(sim::hid::LivePreparsedData(), 0u) << "preparsed data was left";
    }

    static std::shared_ptr<sim::VirtualUnit> Plug(const sim::UnitConfig& config) {
        auto plugged = sim::PlugVirtualUnit(config);
        EXPECT_TRUE(plugged);
        return plugged;
    }
    static std::shared_ptr<sim::VirtualUnit> Plug(const std::string& scenario = "") {
        return Plug(ScenarioConfig(scenario));
    }

    UnitRecord unit = {};
};

// The record's plain fields, to compare as a whole.
struct Fields {
    uint32_t outputReportLength = 0;
    uint32_t inputReportLength = 0;
    uint32_t bootMode = 0;
    uint32_t firmwareVersion = 0;
    uint32_t firmwareInfo = 0;
    uint32_t appType = 0;
    uint32_t appWord = 0;
    uint32_t bootLeadByte = 0;
    uint32_t bootWord = 0;
    uint32_t bootloaderVersion = 0;
    uint32_t bootDword = 0;
    uint32_t bootTailByte = 0;
    bool operator==(const Fields&) const = default;
};

inline Fields FieldsOf(const UnitRecord& r) {
    return {r.outputReportLength, r.inputReportLength, r.bootMode,  r.firmwareVersion,
            r.firmwareInfo,       r.appType,           r.appWord,   r.bootLeadByte,
            r.bootWord,           r.bootloaderVersion, r.bootDword, r.bootTailByte};
}

inline void PrintTo(const Fields& f, std::ostream* out) {
    *out << std::hex << std::showbase << "{out " << f.outputReportLength << ", in "
         << f.inputReportLength << ", bootMode " << f.bootMode << ", firmware " << f.firmwareVersion
         << "/" << f.firmwareInfo << ", app " << f.appType << "/" << f.appWord << ", boot "
         << f.bootLeadByte << "/" << f.bootWord << "/" << f.bootloaderVersion << "/" << f.bootDword
         << "/" << f.bootTailByte << "}";
}

inline bool BlocksZero(const UnitRecord& r) {
    for (uint8_t byte : r.appBlockA)
        if (byte != 0) return false;
    for (uint8_t byte : r.appBlockB)
        if (byte != 0) return false;
    return true;
}

// Empty: no handle, no path, every field zero.
inline void ExpectEmpty(const UnitRecord& r) {
    EXPECT_EQ(r.handle, INVALID_HANDLE_VALUE);
    EXPECT_EQ(r.devicePath, nullptr);
    EXPECT_EQ(FieldsOf(r), Fields{});
    EXPECT_TRUE(BlocksZero(r));
}

// The commands a unit received, in order (byte 1 of every report).
inline std::vector<uint8_t> Commands(const sim::VirtualUnit& device) {
    std::vector<uint8_t> commands;
    for (const auto& report : device.Transcript()) commands.push_back(report.bytes.at(1));
    return commands;
}

// A report as written: the listed bytes, then zeros up to the report length.
inline std::vector<uint8_t> Padded(std::vector<uint8_t> bytes, size_t length = 64) {
    bytes.resize(length, 0);
    return bytes;
}
