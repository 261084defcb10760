#include "tests/wine/trace.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace wine_checks {
namespace {

constexpr uint8_t kOutputReport = 1;
constexpr uint8_t kWriteData = 0x01, kSetAddress = 0x02, kErasePage = 0x03, kWriteEnd = 0x04,
                  kWriteBegin = 0x05, kFinish = 0x07, kGetStatus = 0x08, kReadMemory = 0x0A;
constexpr uint32_t kApplicationStart = 0x08003000;
constexpr uint32_t kInfoBlock = 0x0801FC00;
constexpr uint32_t kInfoBlockSize = 12;
constexpr uint32_t kPageSize = 1024;
constexpr size_t kBlockSize = 16;
constexpr size_t kBlocksPerReport = 3;
constexpr int kPhasePauseMs = 20;
constexpr int kErasePauseMs = 40;
constexpr int kDataPauseMs = 20;
constexpr size_t kMismatchesShown = 5;

std::vector<uint8_t> Report(size_t length, uint8_t command, uint8_t parameter) {
    std::vector<uint8_t> report(length, 0);
    report[0] = kOutputReport;
    report[1] = command;
    report[2] = parameter;
    return report;
}

std::vector<uint8_t> WithAddress(std::vector<uint8_t> report, uint32_t address) {
    for (int i = 0; i < 4; ++i) report[3 + i] = static_cast<uint8_t>(address >> (8 * i));
    return report;
}

// The image's tail is completed with 0xFF to whole blocks.
std::vector<uint8_t> DataReport(const std::vector<uint8_t>& image, size_t from, size_t length) {
    size_t count = std::min(image.size() - from, kBlocksPerReport * kBlockSize);
    size_t blocks = (count + kBlockSize - 1) / kBlockSize;
    std::vector<uint8_t> report = Report(length, kWriteData, static_cast<uint8_t>(blocks));
    std::fill_n(report.begin() + 3, blocks * kBlockSize, 0xFF);
    std::copy_n(image.begin() + static_cast<ptrdiff_t>(from), count, report.begin() + 3);
    return report;
}

std::string Hex(const std::vector<uint8_t>& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (uint8_t byte : bytes) {
        text += digits[byte >> 4];
        text += digits[byte & 0x0F];
    }
    return text;
}

bool ParseHex(const std::string& text, std::vector<uint8_t>* bytes) {
    if (text.size() % 2 != 0) return false;
    for (size_t i = 0; i < text.size(); i += 2) {
        unsigned value = 0;
        std::istringstream digits(text.substr(i, 2));
        if (!(digits >> std::hex >> value)) return false;
        bytes->push_back(static_cast<uint8_t>(value));
    }
    return true;
}

}  // namespace

std::vector<TracedReport> ReadTrace(const std::wstring& path) {
    std::vector<TracedReport> reports;
    std::ifstream file(path.c_str());
    std::string line;
    while (std::getline(file, line)) {
        size_t space = line.find(' ');
        TracedReport report{};
        if (space == std::string::npos || !ParseHex(line.substr(space + 1), &report.bytes)) break;
        report.milliseconds = std::stoll(line.substr(0, space));
        reports.push_back(std::move(report));
    }
    return reports;
}

std::vector<ExpectedReport> Identification(size_t length) {
    return {{"status query", Report(length, kGetStatus, 0), 0},
            {"information block read",
             WithAddress(Report(length, kReadMemory, kInfoBlockSize), kInfoBlock), 0}};
}

std::vector<ExpectedReport> Update(const std::vector<uint8_t>& image, size_t length) {
    std::vector<ExpectedReport> reports;
    reports.push_back({"write begin", Report(length, kWriteBegin, 0), kPhasePauseMs});
    for (uint32_t page = kApplicationStart; page < kInfoBlock; page += kPageSize) {
        bool last = page + kPageSize == kInfoBlock;
        reports.push_back(
            {"erase of page " + std::to_string((page - kApplicationStart) / kPageSize),
             WithAddress(Report(length, kErasePage, 4), page),
             last ? kErasePauseMs + kPhasePauseMs : kErasePauseMs});
    }
    reports.push_back({"write address",
                       WithAddress(Report(length, kSetAddress, 4), kApplicationStart),
                       kPhasePauseMs});
    for (size_t from = 0; from < image.size(); from += kBlocksPerReport * kBlockSize) {
        reports.push_back({"data report " + std::to_string(from / (kBlocksPerReport * kBlockSize)),
                           DataReport(image, from, length), kDataPauseMs});
    }
    reports.push_back({"write end", Report(length, kWriteEnd, 0), 0});
    reports.push_back({"finish", Report(length, kFinish, 0), 0});
    return reports;
}

void CheckTrace(Checks& checks, const std::vector<TracedReport>& actual,
                const std::vector<ExpectedReport>& expected) {
    checks.Equal(static_cast<long long>(actual.size()), static_cast<long long>(expected.size()),
                 "reports in the trace");
    size_t wrong = 0;
    size_t early = 0;
    for (size_t i = 0; i < std::min(actual.size(), expected.size()); ++i) {
        const ExpectedReport& want = expected[i];
        if (actual[i].bytes != want.bytes && ++wrong <= kMismatchesShown) {
            checks.That(false, "report " + std::to_string(i + 1) + " (" + want.name +
                                   ")\n    expected " + Hex(want.bytes) + "\n    actual   " +
                                   Hex(actual[i].bytes));
        }
        if (i + 1 == actual.size()) break;
        long long pause = actual[i + 1].milliseconds - actual[i].milliseconds;
        if (pause < want.pauseAfterMs && ++early <= kMismatchesShown) {
            checks.That(false, "pause after report " + std::to_string(i + 1) + " (" + want.name +
                                   "): " + std::to_string(pause) + " ms, at least " +
                                   std::to_string(want.pauseAfterMs) + " ms needed");
        }
    }
    checks.Equal(static_cast<long long>(wrong), 0, "reports that differ");
    checks.Equal(static_cast<long long>(early), 0, "pauses that are too short");
}

}  // namespace wine_checks
