// The kernel part of the simulated platform, as the rest of the simulation and the tests see
// it: the thread's last error, the clock, and the table of kernel handles.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "sim/platform/win32_sim.h"

namespace sim {

// ---- Clock --------------------------------------------------------------------------------
// Virtual by default: only Sleep and the clock reads move it, so tests are exact. Real time
// follows the host's steady clock, for a person watching the simulated run.

uint64_t NowMicroseconds();
inline uint64_t NowMilliseconds() { return NowMicroseconds() / 1000; }
void AdvanceMicroseconds(uint64_t microseconds);
void UseRealTime(bool real);
bool UsesRealTime();

// GetTickCount on Windows moves in steps of the system timer, 15.625 ms by default.
constexpr uint64_t kTickGranularityMicroseconds = 15625;
// A busy wait has to end: each clock read costs a little virtual time.
constexpr uint64_t kTickReadCostMicroseconds = 100;
constexpr uint64_t kCounterReadCostMicroseconds = 1;
constexpr int64_t kCounterFrequency = 10'000'000;
// Where the system timer's steps fall relative to the clock; on a real machine this is
// anywhere, so a pacing that leans on GetTickCount works only for some phases.
void SetTickPhaseMicroseconds(uint64_t phase);

// ---- Kernel handles -------------------------------------------------------------------------

class KernelObject {
public:
    virtual ~KernelObject() = default;
    virtual const char* Kind() const = 0;
};

HANDLE AddHandle(std::shared_ptr<KernelObject> object);
std::shared_ptr<KernelObject> FindHandle(HANDLE handle);
template <class T>
std::shared_ptr<T> FindHandleAs(HANDLE handle) {
    return std::dynamic_pointer_cast<T>(FindHandle(handle));
}
// Open kernel handles, all of them or those of one kind.
size_t OpenHandleCount();
size_t OpenHandleCount(const std::string& kind);

// ---- Device changes -----------------------------------------------------------------------
// The HID bus announces arriving and leaving interfaces here; the window part delivers them
// to registered windows as WM_DEVICECHANGE.

using DeviceChangeListener = std::function<void(uint32_t event, uint32_t deviceType,
                                                const std::wstring& path)>;
void SetDeviceChangeListener(DeviceChangeListener listener);
void AnnounceDeviceChange(uint32_t event, uint32_t deviceType, const std::wstring& path);

// Puts the kernel back into its state at process start: clock at zero (virtual), no handles,
// last error 0. Leaves the device-change listener in place.
void ResetKernel();

}  // namespace sim
