// Messages of the simulated platform: the thread's posted-message queue, messages sent from
// other threads (device changes among them), message retrieval, message boxes, and the
// registrations for device notifications.

#include <cstddef>
#include <cstring>

#include "sim/platform/kernel.h"
#include "sim/platform/user_internal.h"

namespace sim::user::detail {
namespace {

bool MatchesFilter(const MSG& message, HWND window, UINT first, UINT last) {
    if (window == reinterpret_cast<HWND>(static_cast<intptr_t>(-1))) {
        if (message.hwnd) return false;
    } else if (window && !IsSelfOrChild(message.hwnd, window)) {
        return false;
    }
    return (first == 0 && last == 0) || (message.message >= first && message.message <= last);
}

void TrackKeyState(const MSG& message) {
    if ((message.message == WM_KEYDOWN || message.message == WM_KEYUP) &&
        message.wParam == kVkShift) {
        S().shiftDown = message.message == WM_KEYDOWN;
    }
}

void DeliverSent(Retrieval where) {
    State& s = S();
    while (!s.sent.empty()) {
        SentMessage sent = std::move(s.sent.front());
        s.sent.pop_front();
        if (!Find(sent.window)) continue;
        if (sent.registration && !s.registrations[*sent.registration].live) continue;
        DeliveryRecord record;
        record.window = sent.window;
        record.message = sent.message;
        record.wParam = sent.wParam;
        record.lParamBytes = sent.bytes;
        record.where = where;
        record.timeMs = Now();
        // The buffer stays alive until the window has returned.
        LPARAM lParam = sent.bytes.empty() ? 0 : reinterpret_cast<LPARAM>(sent.bytes.data());
        CallProcedure(sent.window, sent.message, sent.wParam, lParam, &record.result);
        S().deliveries.push_back(std::move(record));
    }
}

uint32_t ReadDword(const std::vector<uint8_t>& bytes, size_t offset) {
    uint32_t value = 0;
    if (bytes.size() >= offset + 4) std::memcpy(&value, bytes.data() + offset, 4);
    return value;
}

// Whether a registration asks for this kind of device change: interface registrations get
// the changes of their class; changes of other device types reach every registered window.
bool Wants(const RegistrationRecord& registration, uint32_t deviceType, const GUID& classGuid) {
    if (!registration.live) return false;
    if (deviceType != DBT_DEVTYP_DEVICEINTERFACE) return true;
    if (ReadDword(registration.filter, offsetof(DEV_BROADCAST_DEVICEINTERFACE_W,
                                                dbcc_devicetype)) != DBT_DEVTYP_DEVICEINTERFACE) {
        return false;
    }
    if (registration.flags & kNotifyAllInterfaceClasses) return true;
    size_t offset = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_classguid);
    return registration.filter.size() >= offset + sizeof(GUID) &&
           std::memcmp(registration.filter.data() + offset, &classGuid, sizeof(GUID)) == 0;
}

void QueueDeviceChange(WPARAM event, const std::vector<uint8_t>& header, uint32_t deviceType,
                       const GUID& classGuid, bool everyRegistration) {
    State& s = S();
    for (size_t index = 0; index < s.registrations.size(); ++index) {
        const RegistrationRecord& registration = s.registrations[index];
        if (!registration.live) continue;
        if (!everyRegistration && !Wants(registration, deviceType, classGuid)) continue;
        SentMessage sent;
        sent.window = static_cast<HWND>(registration.recipient);
        sent.message = WM_DEVICECHANGE;
        sent.wParam = event;
        sent.bytes = header;
        sent.registration = index;
        s.sent.push_back(std::move(sent));
    }
}

void OnKernelDeviceChange(uint32_t event, uint32_t deviceType, const std::wstring& path) {
    GUID hid = HidClassGuid();
    QueueDeviceChange(event, InterfaceBroadcast(path, deviceType, hid), deviceType, hid, false);
}

HDEVNOTIFY NewNotificationHandle() {
    static uintptr_t next = 0x40000;
    next += 4;
    return reinterpret_cast<HDEVNOTIFY>(next);
}

// ---- Message boxes -----------------------------------------------------------------------

HWND OpenBoxWindow(const std::wstring& caption, HWND owner) {
    Window box;
    box.handle = AsHwnd(NewWindowHandle());
    box.kind = Kind::Box;
    box.className = L"#32770";
    box.text = caption;
    box.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    box.owner = owner;
    constexpr int width = 360, height = 160;
    int x = (kWorkArea.left + kWorkArea.right - width) / 2;
    int y = (kWorkArea.top + kWorkArea.bottom - height) / 2;
    box.screen = {x, y, x + width, y + height};
    box.client = {x + kFrameWidth, y + kFrameWidth + kCaptionHeight, x + width - kFrameWidth,
                  y + height - kFrameWidth};
    box.visible = true;
    HWND handle = AddWindow(std::move(box)).handle;
    Activate(handle);
    return handle;
}

int RunBoxLoop(size_t index) {
    for (;;) {
        BeginRetrieval(Retrieval::BoxLoop);
        MSG message{};
        if (TakePosted(&message, nullptr, 0, 0, true)) {
            // Input for the disabled owner is lost, as clicks on a window behind a box are.
            if (!(IsInput(message.message) && InputBlocked(message.hwnd)))
                DispatchMessageW(&message);
            continue;
        }
        if (TakePaint(&message, nullptr, 0, 0)) {
            DispatchMessageW(&message);
            continue;
        }
        BoxRecord box = S().boxes[index];
        if (auto answer = TakeBoxStep(box)) return *answer;
    }
}

}  // namespace

void PostMessageInternal(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    MSG posted{};
    posted.hwnd = window;
    posted.message = message;
    posted.wParam = wParam;
    posted.lParam = lParam;
    posted.time = static_cast<DWORD>(Now());
    if (Window* w = Find(window)) {
        posted.pt = {(w->screen.left + w->screen.right) / 2,
                     (w->screen.top + w->screen.bottom) / 2};
    }
    S().posted.push_back(posted);
}

void PurgePosted(HWND window) {
    auto& posted = S().posted;
    std::erase_if(posted, [window](const MSG& message) { return message.hwnd == window; });
}

void BeginRetrieval(Retrieval where) {
    DeliverSent(where);
    FireTriggers();
    // What the triggers set off (a unit pulled, say) is delivered in the same retrieval.
    DeliverSent(where);
}

bool TakePosted(MSG* message, HWND window, UINT first, UINT last, bool remove) {
    auto& posted = S().posted;
    for (auto it = posted.begin(); it != posted.end(); ++it) {
        if (!MatchesFilter(*it, window, first, last)) continue;
        *message = *it;
        if (remove) {
            posted.erase(it);
            TrackKeyState(*message);
        }
        return true;
    }
    return false;
}

bool TakePaint(MSG* message, HWND window, UINT first, UINT last) {
    for (auto& [key, w] : S().windows) {
        if (w.destroyed || !w.visible || !w.needsPaint || !w.IsTopLevel()) continue;
        MSG paint{};
        paint.hwnd = w.handle;
        paint.message = WM_PAINT;
        paint.time = static_cast<DWORD>(Now());
        if (!MatchesFilter(paint, window, first, last)) continue;
        *message = paint;
        return true;
    }
    return false;
}

bool IsInput(UINT message) {
    return (message >= WM_KEYDOWN && message <= 0x0109) ||
           (message >= WM_MOUSEMOVE && message <= 0x020E) ||
           (message >= 0x00A0 && message <= 0x00AD);
}

bool InputBlocked(HWND window) {
    Window* target = Find(window);
    Window* top = TopLevelOf(window);
    return !target || !target->enabled || !top || !top->enabled;
}

void InstallDeviceChangeListener() {
    sim::SetDeviceChangeListener(OnKernelDeviceChange);
}

}  // namespace sim::user::detail

using namespace sim::user::detail;

BOOL PeekMessageW(LPMSG message, HWND window, UINT first, UINT last, UINT remove) {
    BeginRetrieval(sim::user::Retrieval::PeekMessage);
    if (!message) return FALSE;
    if (TakePosted(message, window, first, last, (remove & PM_REMOVE) != 0)) return TRUE;
    return TakePaint(message, window, first, last) ? TRUE : FALSE;
}

LRESULT DispatchMessageW(const MSG* message) {
    if (!message || !message->hwnd) return 0;
    return CallProcedure(message->hwnd, message->message, message->wParam, message->lParam);
}

LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!Find(window)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return CallProcedure(window, message, wParam, lParam);
}

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
    State& s = S();
    Window* top = owner ? TopLevelOf(owner) : nullptr;
    if (owner && !top) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    sim::user::BoxRecord record;
    record.owner = owner;
    record.text = text ? text : L"";
    record.caption = caption ? caption : L"Fehler";
    record.type = type;
    record.openedMs = Now();
    record.ownerWasEnabled = top && top->enabled;
    record.progressWindowsAlive = sim::user::ProgressWindowsAlive();
    record.dialogShown = s.dialogShown;
    size_t index = s.boxes.size();
    s.boxes.push_back(record);

    HWND ownerHandle = top ? top->handle : nullptr;
    bool disabledOwner = record.ownerWasEnabled;
    if (disabledOwner) SetEnabled(*top, false);
    HWND box = OpenBoxWindow(record.caption, ownerHandle);
    if (s.observer) s.observer->BoxOpened(s.boxes[index]);

    int answer = RunBoxLoop(index);

    // The owner is enabled again before the box goes, so activation returns to it.
    if (disabledOwner) {
        if (Window* o = Find(ownerHandle)) SetEnabled(*o, true);
    }
    if (Window* b = Find(box)) DestroyTree(*b);
    sim::user::BoxRecord& closed = S().boxes[index];
    closed.answer = answer;
    closed.closedMs = Now();
    if (S().observer) S().observer->BoxClosed(closed);
    return answer;
}

HDEVNOTIFY RegisterDeviceNotificationW(HANDLE recipient, LPVOID filter, DWORD flags) {
    InstallDeviceChangeListener();
    State& s = S();
    if (s.refusal) {
        SetLastError(*s.refusal);
        return nullptr;
    }
    if (!filter || (flags & 1u) != DEVICE_NOTIFY_WINDOW_HANDLE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (!Find(static_cast<HWND>(recipient))) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    const auto* header = static_cast<const DEV_BROADCAST_HDR*>(filter);
    constexpr DWORD kLargest = 64 * 1024;
    bool tooSmall = header->dbch_size < sizeof(DEV_BROADCAST_HDR) ||
                    (header->dbch_devicetype == DBT_DEVTYP_DEVICEINTERFACE &&
                     header->dbch_size < sizeof(DEV_BROADCAST_DEVICEINTERFACE_W));
    if (tooSmall || header->dbch_size > kLargest) {
        SetLastError(kErrorInvalidData);
        return nullptr;
    }
    sim::user::RegistrationRecord record;
    record.handle = NewNotificationHandle();
    record.recipient = recipient;
    const auto* bytes = static_cast<const uint8_t*>(filter);
    record.filter.assign(bytes, bytes + header->dbch_size);
    record.flags = flags;
    record.live = true;
    record.registeredMs = Now();
    s.registrations.push_back(std::move(record));
    return s.registrations.back().handle;
}

BOOL UnregisterDeviceNotification(HDEVNOTIFY notification) {
    for (auto& registration : S().registrations) {
        if (registration.handle == notification && registration.live) {
            registration.live = false;
            registration.unregisteredMs = Now();
            return TRUE;
        }
    }
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
}

namespace sim::user {

GUID HidClassGuid() {
    return GUID{0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};
}

std::vector<uint8_t> InterfaceBroadcast(const std::wstring& path, DWORD deviceType,
                                        const GUID& classGuid) {
    constexpr size_t nameOffset = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name);
    size_t size = nameOffset + (path.size() + 1) * sizeof(WCHAR);
    std::vector<uint8_t> bytes(size, 0);
    DEV_BROADCAST_DEVICEINTERFACE_W header{};
    header.dbcc_size = static_cast<DWORD>(size);
    header.dbcc_devicetype = deviceType;
    header.dbcc_classguid = classGuid;
    std::memcpy(bytes.data(), &header, nameOffset);
    std::memcpy(bytes.data() + nameOffset, path.c_str(), (path.size() + 1) * sizeof(WCHAR));
    return bytes;
}

void SendDeviceChange(WPARAM event, std::vector<uint8_t> header) {
    detail::QueueDeviceChange(event, header, 0, GUID{}, true);
}

void SendFromOtherThread(HWND window, UINT message, WPARAM wParam, std::vector<uint8_t> bytes) {
    detail::SentMessage sent;
    sent.window = window;
    sent.message = message;
    sent.wParam = wParam;
    sent.bytes = std::move(bytes);
    detail::S().sent.push_back(std::move(sent));
}

void Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    detail::PostMessageInternal(window, message, wParam, lParam);
}

void RefuseDeviceNotifications(DWORD error) {
    detail::S().refusal = error;
}

void AllowDeviceNotifications() {
    detail::S().refusal.reset();
}

}  // namespace sim::user
