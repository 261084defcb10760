// The simulated run as a person starts it: the command, a scenario for the virtual unit, and
// what it prints.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "sim/platform/res.h"
#include "sim/platform/utf8.h"

namespace {

struct Result {
    int exitCode = -1;
    std::string output;
};

Result RunCommand(const std::string& scenario, const std::string& options) {
    std::string command = "SERVIKA_VIRTUAL_UNIT='" + scenario + "' '" SERVIKA_SIM_RUN "' " +
                          options + " 2>&1";
    Result result;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return result;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, n);
    int status = pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

// The first line of a program text, as the run prints it.
std::string FirstLine(UINT id) {
    std::wstring text = sim::res::String(id).value_or(L"?");
    return sim::Utf8(text.substr(0, text.find(L'\r')));
}

struct RunCase {
    const char* name;
    const char* scenario;
    const char* options;
    int exitCode;
    std::vector<std::string> shown;  // each must appear in the output
};

class SimulatedRun : public ::testing::TestWithParam<RunCase> {};

TEST_P(SimulatedRun, PrintsWhatAPersonSees) {
    const RunCase& c = GetParam();
    Result result = RunCommand(c.scenario, std::string("--virtual-time ") + c.options);
    EXPECT_EQ(result.exitCode, c.exitCode) << result.output;
    for (const std::string& text : c.shown) {
        EXPECT_NE(result.output.find(text), std::string::npos)
            << "missing: " << text << "\n"
            << result.output;
    }
}

const char* const kVerified = "holds the image (11264 bytes) at 0x08003000";
const char* const kNotVerified = "does NOT hold the image";

INSTANTIATE_TEST_SUITE_P(
    Scenarios, SimulatedRun,
    ::testing::Values(
        RunCase{"Default", "", "", 0,
                {kVerified, "took 9360 ms; its pacing sets a floor of 9360 ms",
                 "progress window \"" + FirstLine(IDS_WRITING) + "\" at (",
                 "progress: 100 %", "version row 2: 1.00", FirstLine(IDS_SUCCESS),
                 "button \"Update\": disabled", "could not take safely: 0"}},
        RunCase{"AnswerNo", "firmware=0x00020000", "--answer-no", 1,
                {"message box \"" + FirstLine(IDS_NEWER_FOUND) + "\"", "answered: Nein",
                 "No complete update", "version row 2: 2.00"}},
        RunCase{"AnswerYes", "firmware=0x00010000", "", 0, {"answered: Ja", kVerified}},
        RunCase{"ApplicationMode", "mode=app", "", 1, {FirstLine(IDS_WRONG_MODE), kNotVerified}},
        RunCase{"ApplicationType", "mode=app;apptype=2", "", 1, {FirstLine(IDS_WRONG_MODE)}},
        RunCase{"BootloaderVersion", "bootloader=0x01020304", "", 0, {"version row 1: 1.02.03"}},
        RunCase{"FirmwareVersion", "firmware=0x00000105", "", 0, {"version row 2: 1.05"}},
        RunCase{"NoFirmware", "firmware=none", "", 0, {"version row 2: ----------", kVerified}},
        RunCase{"ProductTwo", "pid=2", "", 0, {kVerified}},
        RunCase{"OtherProduct", "pid=3", "", 1, {FirstLine(IDS_NO_UNIT)}},
        RunCase{"ShortReports", "inlen=32;outlen=51", "", 0, {kVerified}},
        RunCase{"TooShortForData", "outlen=50", "", 1, {FirstLine(IDS_NO_UNIT)}},
        RunCase{"NoStatus", "no_status", "", 1, {FirstLine(IDS_NO_UNIT)}},
        RunCase{"WriteFails", "fail_report=200;error=31", "", 1,
                {"message box \"" + FirstLine(IDS_UPDATE_FAILED) + "\"", FirstLine(IDS_ERR_WRITE_BLOCK),
                 "Das System meldet Fehlercode 0xfffffffe-0x0000001f", "progress window closed",
                 FirstLine(IDS_ABORTED)}},
        RunCase{"Unplugged", "unplug_report=200", "", 1,
                {FirstLine(IDS_DISCONNECTED), "Das System meldet Fehlercode 0xfffffffe-0x00000006",
                 FirstLine(IDS_ABORTED)}},
        RunCase{"BadScenario", "mode=sideways", "", 2, {"refused", "mode=sideways"}},
        RunCase{"BadOption", "", "--fast", 2, {"unknown option --fast"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SimulatedRunTrace, HoldsEveryOutputReportWithItsTime) {
    std::string path = ::testing::TempDir() + "servika-trace.txt";
    std::remove(path.c_str());
    Result result = RunCommand("trace=" + path, "--virtual-time");
    ASSERT_EQ(result.exitCode, 0) << result.output;
    std::ifstream trace(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(trace, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), 2u + 354u);
    // The write begin, written whole: 64 bytes as 128 hex digits.
    std::string begin = lines[2].substr(lines[2].find(' ') + 1);
    EXPECT_EQ(begin, "010500" + std::string(122, '0'));
    EXPECT_EQ(lines[0].substr(0, 2), "0 ");
    std::remove(path.c_str());
}

}  // namespace
