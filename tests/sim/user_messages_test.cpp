// Messages on the simulated platform: the order of retrieval, device changes sent to
// registered windows, message boxes answered by the script, triggers, and script errors.

#include <cstring>
#include <string>

#include "tests/sim/user_fixture.h"

namespace user_test {
namespace {

using namespace sim::user;

const wchar_t kPath[] =
    L"\\\\?\\hid#vid_21b8&pid_0001#7&1a2b3c&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}";

bool SameGuid(const GUID& a, const GUID& b) {
    return std::memcmp(&a, &b, sizeof(GUID)) == 0;
}

std::string What(const ScriptError& error) {
    return error.what();
}

// A dialog that registers for HID interface changes and notes every change it gets.
class DeviceChangeTest : public UserTest {
protected:
    struct Received {
        WPARAM event = 0;
        DWORD size = 0, type = 0;
        GUID guid{};
        std::wstring name;
    };

    void SetUp() override {
        UserTest::SetUp();
        dialog.handler = [this](HWND window, UINT message, WPARAM wParam,
                                LPARAM lParam) -> INT_PTR {
            if (message == WM_INITDIALOG) Register(window);
            if (message == WM_DEVICECHANGE) Note(wParam, lParam);
            return 0;
        };
    }

    void Register(HWND window) {
        DEV_BROADCAST_DEVICEINTERFACE_W filter{};
        filter.dbcc_size = sizeof(filter);
        filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
        filter.dbcc_classguid = HidClassGuid();
        notification = RegisterDeviceNotificationW(window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
        registrationError = GetLastError();
    }

    void Note(WPARAM event, LPARAM lParam) {
        Received r;
        r.event = event;
        if (lParam) {
            const auto* header = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(lParam);
            r.size = header->dbcc_size;
            r.type = header->dbcc_devicetype;
            r.guid = header->dbcc_classguid;
            r.name =
                reinterpret_cast<const wchar_t*>(reinterpret_cast<const uint8_t*>(lParam) + 28);
        }
        received.push_back(r);
    }

    HDEVNOTIFY notification = nullptr;
    DWORD registrationError = 0;
    std::vector<Received> received;
};

TEST_F(UserTest, PeekMessageDeliversSentMessagesThenRemovesPostedOnesThenPaints) {
    std::vector<UINT> retrieved;
    size_t deliveredBeforeFirst = 0;
    Then(Do("retrieve as an update does", [&] {
        HWND main = MainDialog();
        InvalidateDialog();
        Post(main, WM_USER, 1, 0);
        SendFromOtherThread(main, WM_USER + 1, 0, {});
        MSG message{};
        for (int pass = 0; pass < 4; ++pass) {
            BOOL got = PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);
            if (pass == 0) deliveredBeforeFirst = dialog.Count(WM_USER + 1);
            retrieved.push_back(got ? message.message : 0);
            // The first WM_PAINT is left alone, so the window still needs painting.
            if (got && message.message == WM_PAINT && pass == 2) DispatchMessageW(&message);
        }
    }));
    Then(PressKey(VK_ESCAPE));

    RunDialog();

    EXPECT_EQ(deliveredBeforeFirst, 1u);
    EXPECT_EQ(dialog.Count(WM_USER), 0u);  // retrieved, not dispatched
    EXPECT_EQ(retrieved, (std::vector<UINT>{WM_USER, WM_PAINT, WM_PAINT, 0}));
    ASSERT_FALSE(Deliveries().empty());
    EXPECT_EQ(Deliveries().front().where, Retrieval::PeekMessage);
}

TEST_F(DeviceChangeTest, InterfaceChangesReachTheWindowOnlyWhileItIsRegistered) {
    Then({Do("plug",
             [] {
                 sim::AnnounceDeviceChange(DBT_DEVICEARRIVAL, DBT_DEVTYP_DEVICEINTERFACE, kPath);
             }),
          Do("another event", [] { SendDeviceChange(DBT_DEVNODES_CHANGED, {}); }),
          Do("another device type",
             [] {
                 SendDeviceChange(DBT_DEVICEARRIVAL, InterfaceBroadcast(L"COM3", DBT_DEVTYP_PORT));
             }),
          Do("pull, then unregister before it is delivered",
             [this] {
                 sim::AnnounceDeviceChange(DBT_DEVICEREMOVECOMPLETE, DBT_DEVTYP_DEVICEINTERFACE,
                                           kPath);
                 UnregisterDeviceNotification(notification);
             }),
          Do("plug again",
             [] {
                 sim::AnnounceDeviceChange(DBT_DEVICEARRIVAL, DBT_DEVTYP_DEVICEINTERFACE, kPath);
             }),
          PressKey(VK_ESCAPE)});

    RunDialog();

    ASSERT_NE(notification, nullptr);
    ASSERT_EQ(received.size(), 3u);
    const Received& arrival = received[0];
    EXPECT_EQ(arrival.event, static_cast<WPARAM>(DBT_DEVICEARRIVAL));
    EXPECT_EQ(arrival.size, 28 + (std::wcslen(kPath) + 1) * sizeof(WCHAR));
    EXPECT_EQ(arrival.type, DBT_DEVTYP_DEVICEINTERFACE);
    EXPECT_TRUE(SameGuid(arrival.guid, HidClassGuid()));
    EXPECT_EQ(arrival.name, kPath);
    EXPECT_EQ(received[1].event, static_cast<WPARAM>(DBT_DEVNODES_CHANGED));
    EXPECT_EQ(received[1].size, 0u);  // lParam 0
    EXPECT_EQ(received[2].type, DBT_DEVTYP_PORT);
    EXPECT_EQ(received[2].name, L"COM3");

    ASSERT_EQ(Registrations().size(), 1u);
    EXPECT_EQ(Registrations()[0].filter.size(), sizeof(DEV_BROADCAST_DEVICEINTERFACE_W));
    EXPECT_EQ(Registrations()[0].recipient, MainDialog());
    EXPECT_EQ(LiveRegistrations(), 0u);
}

TEST_F(DeviceChangeTest, OnlyRegistrationsForTheHidClassGetHidInterfaceChanges) {
    HDEVNOTIFY other = nullptr;
    Then({Do("register a second window filter for another class",
             [&] {
                 DEV_BROADCAST_DEVICEINTERFACE_W filter{};
                 filter.dbcc_size = sizeof(filter);
                 filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
                 filter.dbcc_classguid = GUID{0x12345678, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
                 other = RegisterDeviceNotificationW(MainDialog(), &filter,
                                                     DEVICE_NOTIFY_WINDOW_HANDLE);
             }),
          Do("plug",
             [] {
                 sim::AnnounceDeviceChange(DBT_DEVICEARRIVAL, DBT_DEVTYP_DEVICEINTERFACE, kPath);
             }),
          PressKey(VK_ESCAPE)});

    RunDialog();

    EXPECT_NE(other, nullptr);
    EXPECT_EQ(received.size(), 1u);
    EXPECT_EQ(LiveRegistrations(), 2u);
}

// A device change is delivered by whichever loop retrieves the next message.
TEST_F(DeviceChangeTest, ChangesArriveInTheNextRetrievalOfAnyLoop) {
    auto plug = [] {
        sim::AnnounceDeviceChange(DBT_DEVICEARRIVAL, DBT_DEVTYP_DEVICEINTERFACE, kPath);
    };
    Then({Do("plug while idle", plug),
          Do("plug, then peek",
             [&] {
                 plug();
                 EXPECT_TRUE(received.size() == 1);
                 MSG message{};
                 PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);
                 EXPECT_TRUE(received.size() == 2);
             }),
          Do("plug, then open a box",
             [&] {
                 plug();
                 MessageBoxW(MainDialog(), L"Warten", L"Test", MB_OK);
             }),
          Answer(IDOK), PressKey(VK_ESCAPE)});

    RunDialog();

    ASSERT_EQ(Deliveries().size(), 3u);
    EXPECT_EQ(Deliveries()[0].where, Retrieval::DialogLoop);
    EXPECT_EQ(Deliveries()[1].where, Retrieval::PeekMessage);
    EXPECT_EQ(Deliveries()[2].where, Retrieval::BoxLoop);
    EXPECT_EQ(received.size(), 3u);
}

TEST_F(DeviceChangeTest, RegistrationCanBeRefused) {
    RefuseDeviceNotifications(ERROR_ACCESS_DENIED);
    auto registerThenEnd = dialog.handler;
    dialog.handler = [&](HWND window, UINT message, WPARAM wParam, LPARAM lParam) -> INT_PTR {
        registerThenEnd(window, message, wParam, lParam);
        if (message == WM_INITDIALOG) EndDialog(window, 1);
        return 0;
    };

    EXPECT_EQ(RunDialog(), 1);

    EXPECT_EQ(notification, nullptr);
    EXPECT_EQ(registrationError, static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(Registrations().empty());
}

TEST_F(UserTest, MessageBoxIsRecordedDisablesItsOwnerAndTakesTheScriptedAnswer) {
    int answer = 0;
    bool ownerEnabledWhileOpen = true;
    HWND activeWhileOpen = nullptr;
    Then({Do("ask",
             [&] {
                 sim::AdvanceMicroseconds(1'500'000);
                 answer =
                     MessageBoxW(MainDialog(), L"Sicher?", L"Frage", MB_YESNO | MB_ICONWARNING);
             }),
          Do("look while it is open",
             [&] {
                 ownerEnabledWhileOpen = Info(MainDialog())->enabled;
                 activeWhileOpen = ActiveWindow();
             }),
          Click(IDCANCEL), PressKey(VK_ESCAPE),  // lost: the owner is disabled
          Answer(IDNO), PressKey(VK_ESCAPE)});

    EXPECT_EQ(RunDialog(), IDCANCEL);

    EXPECT_EQ(answer, IDNO);
    EXPECT_FALSE(ownerEnabledWhileOpen);
    EXPECT_NE(activeWhileOpen, MainDialog());
    EXPECT_EQ(CommandIds(), std::vector<int>{IDCANCEL});  // only the last Escape
    ASSERT_EQ(Boxes().size(), 1u);
    const BoxRecord& box = Boxes()[0];
    EXPECT_EQ(box.owner, MainDialog());
    EXPECT_EQ(box.text, L"Sicher?");
    EXPECT_EQ(box.caption, L"Frage");
    EXPECT_EQ(box.type, 0x34u);
    EXPECT_EQ(box.openedMs, 1500u);
    EXPECT_EQ(box.answer, IDNO);
    EXPECT_TRUE(box.ownerWasEnabled);
    EXPECT_TRUE(box.closedMs.has_value());
    EXPECT_EQ(ActivationHistory().back(), nullptr);  // the dialog ended last
}

TEST_F(UserTest, DefaultAnswerPolicyAnswersBoxesTheScriptLeavesOpen) {
    std::vector<int> answers;
    SetDefaultAnswer(AffirmativeAnswer);
    Then({Do("ask twice",
             [&] {
                 answers.push_back(MessageBoxW(MainDialog(), L"Weiter?", L"Frage", MB_YESNO));
                 answers.push_back(MessageBoxW(MainDialog(), L"Fertig", L"Info", MB_OK));
             }),
          PressKey(VK_ESCAPE)});

    RunDialog();

    EXPECT_EQ(answers, (std::vector<int>{IDYES, IDOK}));
    EXPECT_EQ(StepsLeft(), 0u);
}

TEST_F(UserTest, ScriptErrorsEndTheRunWithAClearMessage) {
    auto box = [](UINT type) {
        return Do("open a box", [type] {
            MessageBoxW(MainDialog(), L"Kaputt", L"Fehler in der Anwendung", type);
        });
    };
    struct Case {
        const char* name;
        std::vector<Step> steps;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"idle dialog with no step left", {}, "no step left"},
        {"box with no answer",
         {box(MB_ICONERROR)},
         "\"Fehler in der Anwendung\" with the text \"Kaputt\""},
        {"answer while no box is open", {Answer(IDOK)}, "none is open"},
        {"answer the box cannot give", {box(MB_OK), Answer(IDYES)}, "cannot give"},
        {"click on a control the dialog lacks", {Click(4711)}, "no control 4711"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sim::user::Reset();
        Then(c.steps);
        try {
            RunDialog();
            ADD_FAILURE() << "no script error";
        } catch (const ScriptError& error) {
            EXPECT_NE(What(error).find(c.message), std::string::npos) << What(error);
        }
    }
}

// As the update does: one retrieval per pass, nothing dispatched. The trigger's click is
// posted during the retrieval in which its condition holds.
TEST_F(UserTest, TriggerFiresAtTheRetrievalInWhichItsConditionHolds) {
    int pass = 0;
    std::vector<UINT> retrieved;
    When([&] { return pass == 3; }, Click(IDCANCEL));
    Then({Do("retrieve five times",
             [&] {
                 for (pass = 1; pass <= 5; ++pass) {
                     MSG message{};
                     retrieved.push_back(
                         PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE) ? message.message : 0);
                 }
             }),
          PressKey(VK_ESCAPE)});

    RunDialog();

    EXPECT_EQ(retrieved, (std::vector<UINT>{0, 0, WM_LBUTTONDOWN, WM_LBUTTONUP, 0}));
    EXPECT_EQ(TriggersPending(), 0u);
    EXPECT_EQ(CommandIds(), std::vector<int>{IDCANCEL});  // the discarded click did nothing
}

}  // namespace
}  // namespace user_test
