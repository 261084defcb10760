#include "sim/platform/kernel.h"

#include <chrono>
#include <map>
#include <thread>

namespace sim {
namespace {

struct Clock {
    bool real = false;
    uint64_t virtualMicroseconds = 0;
    std::chrono::steady_clock::time_point realStart = std::chrono::steady_clock::now();
    uint64_t realOffset = 0;
    uint64_t tickPhase = 0;
};

Clock& TheClock() {
    static Clock clock;
    return clock;
}

struct HandleTable {
    // Handle values are never reused, so a stale handle fails instead of reaching a new object.
    uintptr_t next = 0x100;
    std::map<uintptr_t, std::shared_ptr<KernelObject>> objects;
};

HandleTable& Handles() {
    static HandleTable table;
    return table;
}

thread_local DWORD lastError = 0;

DeviceChangeListener& Listener() {
    static DeviceChangeListener listener;
    return listener;
}

}  // namespace

uint64_t NowMicroseconds() {
    Clock& clock = TheClock();
    if (!clock.real) return clock.virtualMicroseconds;
    auto elapsed = std::chrono::steady_clock::now() - clock.realStart;
    return clock.realOffset +
           static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(elapsed).count());
}

void AdvanceMicroseconds(uint64_t microseconds) {
    Clock& clock = TheClock();
    if (clock.real) {
        std::this_thread::sleep_for(std::chrono::microseconds(microseconds));
    } else {
        clock.virtualMicroseconds += microseconds;
    }
}

void UseRealTime(bool real) {
    Clock& clock = TheClock();
    if (clock.real == real) return;
    uint64_t now = NowMicroseconds();
    clock.real = real;
    clock.virtualMicroseconds = now;
    clock.realOffset = now;
    clock.realStart = std::chrono::steady_clock::now();
}

bool UsesRealTime() { return TheClock().real; }

void SetTickPhaseMicroseconds(uint64_t phase) {
    TheClock().tickPhase = phase % kTickGranularityMicroseconds;
}

uint64_t TickPhaseMicroseconds() { return TheClock().tickPhase; }

HANDLE AddHandle(std::shared_ptr<KernelObject> object) {
    HandleTable& table = Handles();
    uintptr_t value = table.next;
    table.next += 4;
    table.objects[value] = std::move(object);
    return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<KernelObject> FindHandle(HANDLE handle) {
    HandleTable& table = Handles();
    auto found = table.objects.find(reinterpret_cast<uintptr_t>(handle));
    return found == table.objects.end() ? nullptr : found->second;
}

size_t OpenHandleCount() { return Handles().objects.size(); }

size_t OpenHandleCount(const std::string& kind) {
    size_t count = 0;
    for (const auto& entry : Handles().objects) {
        if (kind == entry.second->Kind()) ++count;
    }
    return count;
}

void SetDeviceChangeListener(DeviceChangeListener listener) { Listener() = std::move(listener); }

void AnnounceDeviceChange(uint32_t event, uint32_t deviceType, const std::wstring& path) {
    if (Listener()) Listener()(event, deviceType, path);
}

void ResetKernel() {
    TheClock() = Clock{};
    Handles().objects.clear();
    lastError = 0;
}

}  // namespace sim

DWORD GetLastError() { return sim::lastError; }

void SetLastError(DWORD error) { sim::lastError = error; }

void Sleep(DWORD milliseconds) { sim::AdvanceMicroseconds(uint64_t{milliseconds} * 1000); }

DWORD GetTickCount() {
    uint64_t now = sim::NowMicroseconds();
    if (!sim::UsesRealTime()) sim::AdvanceMicroseconds(sim::kTickReadCostMicroseconds);
    uint64_t shifted = now + sim::TickPhaseMicroseconds();
    uint64_t ticks = shifted / sim::kTickGranularityMicroseconds * sim::kTickGranularityMicroseconds;
    return static_cast<DWORD>(ticks / 1000);
}

BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency) {
    frequency->QuadPart = sim::kCounterFrequency;
    return TRUE;
}

BOOL QueryPerformanceCounter(LARGE_INTEGER* count) {
    uint64_t now = sim::NowMicroseconds();
    if (!sim::UsesRealTime()) sim::AdvanceMicroseconds(sim::kCounterReadCostMicroseconds);
    count->QuadPart = static_cast<LONGLONG>(now * (sim::kCounterFrequency / 1'000'000));
    return TRUE;
}

BOOL CloseHandle(HANDLE object) {
    auto& objects = sim::Handles().objects;
    auto found = objects.find(reinterpret_cast<uintptr_t>(object));
    if (found == objects.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    objects.erase(found);
    return TRUE;
}
