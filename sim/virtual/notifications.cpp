#include "sim/virtual/notifications.h"

#include <climits>
#include <cstddef>
#include <cstring>
#include <deque>
#include <vector>

namespace virtual_unit {
namespace {

// A window registered for the interfaces of the HID class, under the system's handle.
struct Registration {
    HDEVNOTIFY handle;
    HWND recipient;
};

struct Notification {
    HWND recipient;
    WPARAM event;
    std::vector<unsigned char> broadcast;  // a DEV_BROADCAST_DEVICEINTERFACE_W with its path
};

// The queue between the thread that announces and the one that sends.
struct Sender {
    Sender() {
        InitializeCriticalSection(&lock);
        queued = CreateSemaphoreW(nullptr, 0, LONG_MAX, nullptr);
    }

    CRITICAL_SECTION lock;
    HANDLE queued;
    HANDLE thread = nullptr;
    std::deque<Notification> notifications;
};

std::vector<Registration>& Registrations() {
    static std::vector<Registration> registrations;
    return registrations;
}

Sender& TheSender() {
    static Sender sender;
    return sender;
}

GUID HidClass() {
    GUID guid;
    HidD_GetHidGuid(&guid);
    return guid;
}

// What the system tells the window: the interface's class and its path.
std::vector<unsigned char> InterfaceBroadcast(const std::wstring& path) {
    const size_t nameOffset = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name);
    const size_t size = nameOffset + (path.size() + 1) * sizeof(wchar_t);
    std::vector<unsigned char> bytes(size > sizeof(DEV_BROADCAST_DEVICEINTERFACE_W)
                                         ? size
                                         : sizeof(DEV_BROADCAST_DEVICEINTERFACE_W));
    DEV_BROADCAST_DEVICEINTERFACE_W header = {};
    header.dbcc_size = static_cast<DWORD>(size);
    header.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    header.dbcc_classguid = HidClass();
    std::memcpy(bytes.data(), &header, nameOffset);
    std::memcpy(bytes.data() + nameOffset, path.c_str(), (path.size() + 1) * sizeof(wchar_t));
    return bytes;
}

bool TakeNext(Sender& sender, Notification* next) {
    EnterCriticalSection(&sender.lock);
    bool taken = !sender.notifications.empty();
    if (taken) {
        *next = std::move(sender.notifications.front());
        sender.notifications.pop_front();
    }
    LeaveCriticalSection(&sender.lock);
    return taken;
}

// Each SendMessageW returns once the window's thread has taken the message during its message
// retrieval and the window procedure has answered it.
DWORD WINAPI SendNotifications(LPVOID) {
    Sender& sender = TheSender();
    for (;;) {
        WaitForSingleObject(sender.queued, INFINITE);
        Notification next;
        while (TakeNext(sender, &next)) {
            SendMessageW(next.recipient, WM_DEVICECHANGE, next.event,
                         reinterpret_cast<LPARAM>(next.broadcast.data()));
        }
    }
}

void Queue(Notification notification) {
    Sender& sender = TheSender();
    EnterCriticalSection(&sender.lock);
    sender.notifications.push_back(std::move(notification));
    if (sender.thread == nullptr) {
        sender.thread = CreateThread(nullptr, 0, SendNotifications, nullptr, 0, nullptr);
    }
    LeaveCriticalSection(&sender.lock);
    ReleaseSemaphore(sender.queued, 1, nullptr);
}

// As in the simulated run, a unit pulled after a report is announced at the next message
// retrieval: the announcing thread goes on once the notification waits for it.
void AwaitSentMessage() {
    constexpr DWORD kLongestWaitMs = 2000;
    const ULONGLONG start = GetTickCount64();
    while ((HIWORD(GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE) == 0 &&
           GetTickCount64() - start < kLongestWaitMs) {
        Sleep(1);
    }
}

// Window handles that ask for HID interfaces (or for every interface class).
bool WatchesHidInterfaces(LPVOID filter, DWORD flags) {
    if ((flags & DEVICE_NOTIFY_SERVICE_HANDLE) != 0 || filter == nullptr) return false;
    auto* header = static_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(filter);
    if (header->dbcc_devicetype != DBT_DEVTYP_DEVICEINTERFACE) return false;
    if ((flags & DEVICE_NOTIFY_ALL_INTERFACE_CLASSES) != 0) return true;
    return IsEqualGUID(header->dbcc_classguid, HidClass()) != FALSE;
}

}  // namespace

void AnnounceDeviceChange(WPARAM event, const std::wstring& path) {
    bool toThisThread = false;
    for (const Registration& registration : Registrations()) {
        Queue({registration.recipient, event, InterfaceBroadcast(path)});
        toThisThread = toThisThread || GetWindowThreadProcessId(registration.recipient, nullptr) ==
                                           GetCurrentThreadId();
    }
    if (toThisThread) AwaitSentMessage();
}

HDEVNOTIFY RegisterDeviceNotificationW(HANDLE recipient, LPVOID filter, DWORD flags) {
    HDEVNOTIFY handle = ::RegisterDeviceNotificationW(recipient, filter, flags);
    if (handle != nullptr && WatchesHidInterfaces(filter, flags)) {
        Registrations().push_back({handle, static_cast<HWND>(recipient)});
    }
    return handle;
}

BOOL UnregisterDeviceNotification(HDEVNOTIFY notification) {
    std::erase_if(Registrations(), [&](const Registration& r) { return r.handle == notification; });
    return ::UnregisterDeviceNotification(notification);
}

}  // namespace virtual_unit
