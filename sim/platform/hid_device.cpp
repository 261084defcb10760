// Opening an interface of the simulated HID bus, its attributes and capabilities, and the
// report transfers, routed to the interface's device model.
#include <cstring>
#include <map>
#include <memory>

#include "sim/platform/hid.h"
#include "sim/platform/hid_internal.h"
#include "sim/platform/kernel.h"

// What HidD_GetPreparsedData hands out: the capabilities as the descriptor gives them.
struct _HIDP_PREPARSED_DATA {
    HIDP_CAPS caps;
    bool capabilitiesFail;
};

namespace sim::hid {
namespace {

constexpr DWORD kErrorSemTimeout = 121;

using detail::Interface;

// An open handle on an interface. It keeps the interface it was opened on: once that is pulled,
// the handle stays valid but reaches nothing.
class HidFile : public KernelObject {
public:
    HidFile(std::shared_ptr<Interface> device, DWORD access)
        : device(std::move(device)), access(access) {}
    const char* Kind() const override { return "hid"; }

    std::shared_ptr<Interface> device;
    DWORD access;
};

std::map<PHIDP_PREPARSED_DATA, std::unique_ptr<_HIDP_PREPARSED_DATA>>& PreparsedData() {
    static std::map<PHIDP_PREPARSED_DATA, std::unique_ptr<_HIDP_PREPARSED_DATA>> data;
    return data;
}

bool Fail(DWORD error) {
    SetLastError(error);
    return false;
}

// The interface behind a handle, provided it is still connected; otherwise null with the last
// error set as Windows sets it.
std::shared_ptr<HidFile> ConnectedFile(HANDLE handle) {
    auto file = FindHandleAs<HidFile>(handle);
    if (!file) {
        Fail(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (!file->device->present) {
        Fail(ERROR_DEVICE_NOT_CONNECTED);
        return nullptr;
    }
    return file;
}

// Checks shared by WriteFile and ReadFile: a synchronous handle with the access the transfer
// needs, and a place for the count.
std::shared_ptr<HidFile> FileForTransfer(HANDLE handle, DWORD access, const void* buffer,
                                         LPDWORD count, LPOVERLAPPED overlapped) {
    if (count != nullptr) *count = 0;
    auto file = ConnectedFile(handle);
    if (!file) return nullptr;
    if (overlapped != nullptr || count == nullptr) {
        Fail(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if ((file->access & access) == 0) {
        Fail(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    if (buffer == nullptr) {
        Fail(ERROR_INVALID_USER_BUFFER);
        return nullptr;
    }
    return file;
}

}  // namespace

void detail::ResetPreparsedData() {
    PreparsedData().clear();
}

size_t LivePreparsedData() {
    return PreparsedData().size();
}

DWORD KeyboardModel::WriteReport(const uint8_t*, size_t) {
    return ERROR_SUCCESS;
}

DWORD KeyboardModel::GetInputReport(uint8_t* report, size_t length) {
    std::memset(report + 1, 0, length - 1);
    return ERROR_SUCCESS;
}

// No key is pressed.
DWORD KeyboardModel::ReadInputReport(uint8_t*, size_t) {
    return kErrorSemTimeout;
}

InterfaceConfig KeyboardInterface(const std::wstring& path, bool openable) {
    InterfaceConfig config;
    config.path = path;
    config.vendorId = 0x1234;
    config.productId = 0x0001;
    config.usagePage = 0x0001;
    config.usage = 0x0006;
    config.inputReportLength = 9;
    config.outputReportLength = 2;
    config.faults.openError = openable ? 0 : ERROR_ACCESS_DENIED;
    return config;
}

bool PlugKeyboard(const std::wstring& path, bool openable) {
    return Plug(KeyboardInterface(path, openable), std::make_shared<KeyboardModel>());
}

}  // namespace sim::hid

using sim::hid::HidFile;

HANDLE CreateFileW(LPCWSTR path, DWORD access, DWORD, LPSECURITY_ATTRIBUTES, DWORD disposition,
                   DWORD, HANDLE) {
    auto device = path == nullptr ? nullptr : sim::hid::detail::FindPresent(path);
    if (!device) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    if (disposition != OPEN_EXISTING) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    DWORD openError = device->config.faults.openError;
    if ((access & (GENERIC_READ | GENERIC_WRITE)) != 0 && openError != 0) {
        SetLastError(openError);
        return INVALID_HANDLE_VALUE;
    }
    ++device->timesOpened;
    return sim::AddHandle(std::make_shared<HidFile>(device, access));
}

BOOL WriteFile(HANDLE handle, LPCVOID buffer, DWORD length, LPDWORD written,
               LPOVERLAPPED overlapped) {
    auto file = sim::hid::FileForTransfer(handle, GENERIC_WRITE, buffer, written, overlapped);
    if (!file) return FALSE;
    auto device = file->device;
    // The HID class driver takes exactly one output report of the device's length.
    if (length != device->config.outputReportLength)
        return sim::hid::Fail(ERROR_INVALID_USER_BUFFER);
    DWORD error = device->model->WriteReport(static_cast<const uint8_t*>(buffer), length);
    if (error != ERROR_SUCCESS) return sim::hid::Fail(error);
    *written = length;
    if (device->model->RemovalRequested()) sim::hid::Pull(device->config.path);
    return TRUE;
}

BOOL ReadFile(HANDLE handle, LPVOID buffer, DWORD length, LPDWORD read, LPOVERLAPPED overlapped) {
    auto file = sim::hid::FileForTransfer(handle, GENERIC_READ, buffer, read, overlapped);
    if (!file) return FALSE;
    const auto& config = file->device->config;
    // A read takes one whole input report; the buffer must hold it.
    if (length < config.inputReportLength) return sim::hid::Fail(ERROR_INVALID_USER_BUFFER);
    DWORD error = file->device->model->ReadInputReport(static_cast<uint8_t*>(buffer),
                                                       config.inputReportLength);
    if (error != ERROR_SUCCESS) return sim::hid::Fail(error);
    *read = config.inputReportLength;
    return TRUE;
}

BOOLEAN HidD_GetInputReport(HANDLE handle, PVOID buffer, ULONG length) {
    auto file = sim::hid::ConnectedFile(handle);
    if (!file) return FALSE;
    const auto& config = file->device->config;
    if (buffer == nullptr || length < config.inputReportLength || config.inputReportLength == 0) {
        return sim::hid::Fail(ERROR_INVALID_USER_BUFFER);
    }
    DWORD error = file->device->model->GetInputReport(static_cast<uint8_t*>(buffer),
                                                      config.inputReportLength);
    if (error != ERROR_SUCCESS) return sim::hid::Fail(error);
    return TRUE;
}

BOOLEAN HidD_GetAttributes(HANDLE handle, PHIDD_ATTRIBUTES attributes) {
    auto file = sim::hid::ConnectedFile(handle);
    if (!file) return FALSE;
    const auto& config = file->device->config;
    if (config.faults.attributesError != 0) return sim::hid::Fail(config.faults.attributesError);
    attributes->Size = sizeof(HIDD_ATTRIBUTES);
    attributes->VendorID = config.vendorId;
    attributes->ProductID = config.productId;
    attributes->VersionNumber = config.versionNumber;
    return TRUE;
}

BOOLEAN HidD_GetPreparsedData(HANDLE handle, PHIDP_PREPARSED_DATA* data) {
    auto file = sim::hid::ConnectedFile(handle);
    if (!file) return FALSE;
    const auto& config = file->device->config;
    if (config.faults.preparsedDataError != 0) {
        return sim::hid::Fail(config.faults.preparsedDataError);
    }
    auto preparsed = std::make_unique<_HIDP_PREPARSED_DATA>();
    preparsed->caps = HIDP_CAPS{};
    preparsed->caps.UsagePage = config.usagePage;
    preparsed->caps.Usage = config.usage;
    preparsed->caps.InputReportByteLength = config.inputReportLength;
    preparsed->caps.OutputReportByteLength = config.outputReportLength;
    preparsed->caps.FeatureReportByteLength = config.featureReportLength;
    preparsed->capabilitiesFail = config.faults.capabilitiesFail;
    *data = preparsed.get();
    sim::hid::PreparsedData().emplace(*data, std::move(preparsed));
    return TRUE;
}

NTSTATUS HidP_GetCaps(PHIDP_PREPARSED_DATA data, PHIDP_CAPS caps) {
    auto& live = sim::hid::PreparsedData();
    auto found = live.find(data);
    if (found == live.end() || found->second->capabilitiesFail) {
        return HIDP_STATUS_INVALID_PREPARSED_DATA;
    }
    *caps = found->second->caps;
    return HIDP_STATUS_SUCCESS;
}

BOOLEAN HidD_FreePreparsedData(PHIDP_PREPARSED_DATA data) {
    if (sim::hid::PreparsedData().erase(data) == 0) return sim::hid::Fail(ERROR_INVALID_PARAMETER);
    return TRUE;
}
