// An update as the unit saw it: the reports from write begin on, and the flash afterwards.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "tests/support/program.h"
#include "unit/protocol.h"

namespace update_test {

using namespace program;

// The image the program carries, as the compiled resources hold it.
inline std::vector<uint8_t> CarriedImage() {
    const sim::res::Resource* image = sim::res::Find(sim::res::Id{10, L""}, sim::res::Id{IDR_FIRMWARE, L""});
    EXPECT_NE(image, nullptr);
    return image ? image->data : std::vector<uint8_t>{};
}

// Identification sends the status query and, in bootloader mode, the memory read.
constexpr size_t IDENTIFICATION_REPORTS = 2;
constexpr uint32_t APP_AREA_SIZE = INFO_BLOCK_ADDRESS - FLASH_APP_START;
constexpr uint32_t PAGES = APP_AREA_SIZE / FLASH_PAGE_SIZE;
constexpr uint8_t OLD_FIRMWARE_BYTE = 0xA5;

// The reports of the update, from write begin on.
inline std::vector<sim::ReceivedReport> UpdateReports(const sim::VirtualUnit& unit) {
    const auto& all = unit.Transcript();
    if (all.size() <= IDENTIFICATION_REPORTS) return {};
    return {all.begin() + IDENTIFICATION_REPORTS, all.end()};
}

inline std::vector<uint8_t> Prefix(const sim::ReceivedReport& report, size_t length) {
    return {report.bytes.begin(), report.bytes.begin() + std::min(length, report.bytes.size())};
}

inline std::vector<uint8_t> AddressReport(uint8_t command, uint32_t address) {
    return {OUTPUT_REPORT_ID, command, 0x04, uint8_t(address), uint8_t(address >> 8),
            uint8_t(address >> 16), uint8_t(address >> 24)};
}

inline std::vector<uint8_t> SimpleReport(uint8_t command) { return {OUTPUT_REPORT_ID, command, 0x00}; }

inline std::vector<uint8_t> DataReport(const std::vector<uint8_t>& bytes, size_t offset, uint8_t blocks) {
    std::vector<uint8_t> report = {OUTPUT_REPORT_ID, CMD_WRITE_DATA, blocks};
    for (size_t i = 0; i < blocks * DATA_BLOCK_SIZE; ++i) {
        report.push_back(offset + i < bytes.size() ? bytes[offset + i] : 0xFF);
    }
    return report;
}

// Exactly the reports an update of this image must send, in order.
inline std::vector<std::vector<uint8_t>> ExpectedReports(const std::vector<uint8_t>& image) {
    std::vector<std::vector<uint8_t>> reports;
    reports.push_back(SimpleReport(CMD_WRITE_BEGIN));
    for (uint32_t page = FLASH_APP_START; page < INFO_BLOCK_ADDRESS; page += FLASH_PAGE_SIZE) {
        reports.push_back(AddressReport(CMD_ERASE_PAGE, page));
    }
    reports.push_back(AddressReport(CMD_SET_ADDRESS, FLASH_APP_START));
    for (size_t offset = 0; offset < image.size(); offset += 48) {
        size_t left = image.size() - offset;
        uint8_t blocks = left >= 48 ? 3 : uint8_t((left + DATA_BLOCK_SIZE - 1) / DATA_BLOCK_SIZE);
        reports.push_back(DataReport(image, offset, blocks));
    }
    reports.push_back(SimpleReport(CMD_WRITE_END));
    reports.push_back(SimpleReport(CMD_FINISH));
    return reports;
}

inline void ExpectReports(const sim::VirtualUnit& unit, const std::vector<std::vector<uint8_t>>& expected) {
    auto reports = UpdateReports(unit);
    ASSERT_EQ(reports.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(reports[i].bytes.size(), unit.Config().outputReportLength) << "report " << i;
        ASSERT_EQ(Prefix(reports[i], expected[i].size()), expected[i]) << "report " << i;
    }
}

// Fills the application area with an old firmware, so erasing and writing show in the flash.
inline void LoadOldFirmware(sim::VirtualUnit& unit) {
    unit.WriteFlash(FLASH_APP_START, std::vector<uint8_t>(APP_AREA_SIZE, OLD_FIRMWARE_BYTE));
}

// The application area after the first pages were erased and the first chunks written.
inline std::vector<uint8_t> AreaAfter(uint32_t pagesErased, size_t bytesWritten,
                                      const std::vector<uint8_t>& image) {
    std::vector<uint8_t> area(APP_AREA_SIZE, OLD_FIRMWARE_BYTE);
    std::fill_n(area.begin(), pagesErased * FLASH_PAGE_SIZE, 0xFF);
    for (size_t i = 0; i < bytesWritten; ++i) area[i] = i < image.size() ? image[i] : 0xFF;
    return area;
}

inline std::vector<uint8_t> ApplicationArea(const sim::VirtualUnit& unit) {
    return unit.ReadFlash(FLASH_APP_START, APP_AREA_SIZE);
}

}  // namespace update_test
