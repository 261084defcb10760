#include "sim/virtual/plugged_unit.h"

#include "sim/unit/scenario.h"
#include "sim/virtual/notifications.h"

namespace virtual_unit {
namespace {

constexpr wchar_t kScenarioVariable[] = L"SERVIKA_VIRTUAL_UNIT";
constexpr wchar_t kRefusalCaption[] = L"SERVIKA virtual unit";
constexpr UINT kRefusedExitCode = 2;

std::wstring Widen(const std::string& text) {
    int length =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                        length);
    return wide;
}

std::string Narrow(const std::wstring& text) {
    int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                     nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), narrow.data(),
                        length, nullptr, nullptr);
    return narrow;
}

// The variable's value; empty when it is not set.
std::string ScenarioText() {
    DWORD size = GetEnvironmentVariableW(kScenarioVariable, nullptr, 0);
    if (size == 0) return {};
    std::wstring value(size, L'\0');
    DWORD length = GetEnvironmentVariableW(kScenarioVariable, value.data(), size);
    value.resize(length < size ? length : 0);
    return Narrow(value);
}

// Said on standard error where there is one, and in a box for whoever started the program.
[[noreturn]] void Refuse(const std::string& problem) {
    std::string message = Narrow(kScenarioVariable) + ": " + problem;
    HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    if (error != nullptr && error != INVALID_HANDLE_VALUE) {
        std::string line = message + "\n";
        DWORD written = 0;
        ::WriteFile(error, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    }
    MessageBoxW(nullptr, Widen(message).c_str(), kRefusalCaption, MB_ICONERROR | MB_OK);
    ExitProcess(kRefusedExitCode);
}

sim::UnitConfig ConfigFromEnvironment() {
    sim::UnitConfig config;
    std::string problem = sim::ParseScenario(ScenarioText(), &config);
    if (!problem.empty()) Refuse(problem);
    return config;
}

struct PluggedUnit {
    PluggedUnit() : unit(ConfigFromEnvironment()) {
        unit.Plugged(NowMicroseconds());
        if (unit.TraceFailed())
            Refuse("the trace file " + unit.Config().tracePath + " cannot be written");
    }

    sim::VirtualUnit unit;
    bool present = true;
};

PluggedUnit& Plugged() {
    static PluggedUnit plugged;
    return plugged;
}

wchar_t FoldCase(wchar_t c) {
    return c >= L'a' && c <= L'z' ? c - L'a' + L'A' : c;
}

// The unit is there before the program starts, and a bad scenario is refused before any window.
[[maybe_unused]] const bool pluggedAtStart = (Plugged(), true);

}  // namespace

sim::VirtualUnit& Unit() {
    return Plugged().unit;
}

bool UnitPresent() {
    return Plugged().present;
}

const std::wstring& UnitPath() {
    return Unit().Config().path;
}

bool IsUnitPath(const wchar_t* path) {
    if (path == nullptr) return false;
    const std::wstring& unitPath = UnitPath();
    size_t i = 0;
    for (; path[i] != L'\0'; ++i) {
        if (i == unitPath.size() || FoldCase(path[i]) != FoldCase(unitPath[i])) return false;
    }
    return i == unitPath.size();
}

uint64_t NowMicroseconds() {
    static const LONGLONG frequency = [] {
        LARGE_INTEGER value;
        QueryPerformanceFrequency(&value);
        return value.QuadPart;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    const auto ticks = static_cast<uint64_t>(counter.QuadPart);
    const auto perSecond = static_cast<uint64_t>(frequency);
    return ticks / perSecond * 1000000 + ticks % perSecond * 1000000 / perSecond;
}

void PullIfRequested() {
    PluggedUnit& plugged = Plugged();
    if (!plugged.present || !plugged.unit.RemovalRequested()) return;
    plugged.present = false;
    AnnounceDeviceChange(DBT_DEVICEREMOVECOMPLETE, UnitPath());
}

}  // namespace virtual_unit
