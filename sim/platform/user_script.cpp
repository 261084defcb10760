// The scripted user and world: steps taken whenever a loop is idle, triggers checked at every
// message retrieval, and the answers to message boxes.

#include <algorithm>

#include "sim/platform/kernel.h"
#include "sim/platform/user_internal.h"

namespace sim::user {
namespace {

using detail::Find;
using detail::S;
using detail::Window;

std::string Quoted(const std::wstring& text) {
    return "\"" + detail::Utf8(text) + "\"";
}

std::string Describe(const BoxRecord& box) {
    return "the message box " + Quoted(box.caption) + " with the text " + Quoted(box.text);
}

// The answers a box of this type can give.
std::vector<int> PossibleAnswers(UINT type) {
    switch (type & 0x0Fu) {
        case 0:
            return {IDOK};
        case 1:
            return {IDOK, IDCANCEL};
        case 2:
            return {3, 4, 5};  // abort, retry, ignore
        case 3:
            return {IDYES, IDNO, IDCANCEL};
        case 4:
            return {IDYES, IDNO};
        case 5:
            return {4, IDCANCEL};  // retry, cancel
        default:
            return {};
    }
}

int Checked(const BoxRecord& box, int answer) {
    auto possible = PossibleAnswers(box.type);
    if (std::find(possible.begin(), possible.end(), answer) == possible.end()) {
        throw ScriptError("the script answers " + std::to_string(answer) + " to " + Describe(box) +
                          ", which cannot give that answer");
    }
    return answer;
}

Window& MainDialogOrFail(const Step& step) {
    Window* dialog = Find(S().mainDialog);
    if (!dialog)
        throw ScriptError("the script wants to " + step.description + ", but no dialog is open");
    return *dialog;
}

// A click goes to the window under the mouse: a disabled or hidden control, a static or a
// group box lets it through to the dialog.
HWND ClickTarget(Window& dialog, const Window& control) {
    bool transparent = control.kind == detail::Kind::Static || detail::IsGroupBox(control);
    if (!control.enabled || !control.visible || transparent) return dialog.handle;
    return control.handle;
}

void RunClick(const Step& step) {
    Window& dialog = MainDialogOrFail(step);
    Window* control = detail::ControlById(dialog, step.control);
    if (!control)
        throw ScriptError("the dialog has no control " + std::to_string(step.control) +
                          " to click");
    if (!dialog.enabled || !dialog.visible) return;  // behind a message box: the click is lost
    detail::Activate(dialog.handle);
    HWND target = ClickTarget(dialog, *control);
    Window* w = Find(target);
    LPARAM point = MAKELPARAM((control->screen.left + control->screen.right) / 2 - w->client.left,
                              (control->screen.top + control->screen.bottom) / 2 - w->client.top);
    detail::PostMessageInternal(target, WM_LBUTTONDOWN, 1 /* MK_LBUTTON */, point);
    detail::PostMessageInternal(target, WM_LBUTTONUP, 0, point);
}

void RunKey(const Step& step) {
    HWND target = Find(S().focus) ? S().focus : Find(S().active) ? S().active : nullptr;
    if (!target || detail::InputBlocked(target)) return;
    constexpr LPARAM kPressed = 1, kReleased = static_cast<LPARAM>(0xC0000001u);
    if (step.shift) detail::PostMessageInternal(target, WM_KEYDOWN, detail::kVkShift, kPressed);
    detail::PostMessageInternal(target, WM_KEYDOWN, step.key, kPressed);
    detail::PostMessageInternal(target, WM_KEYUP, step.key, kReleased);
    if (step.shift) detail::PostMessageInternal(target, WM_KEYUP, detail::kVkShift, kReleased);
}

void RunCloseBox(const Step& step) {
    Window& dialog = MainDialogOrFail(step);
    if (!dialog.enabled || !dialog.visible) return;
    detail::Activate(dialog.handle);
    LPARAM point = MAKELPARAM(dialog.screen.right - 10, dialog.screen.top + 10);
    detail::PostMessageInternal(dialog.handle, WM_NCLBUTTONDOWN, HTCLOSE, point);
}

void Run(const Step& step) {
    if (S().observer) S().observer->StepTaken(step);
    switch (step.kind) {
        case Step::Kind::Click:
            RunClick(step);
            break;
        case Step::Kind::Key:
            RunKey(step);
            break;
        case Step::Kind::CloseBox:
            RunCloseBox(step);
            break;
        case Step::Kind::Action:
            if (step.action) step.action();
            break;
        case Step::Kind::Pause:
            sim::AdvanceMicroseconds(uint64_t{step.milliseconds} * 1000);
            break;
        case Step::Kind::Uncover:
            InvalidateDialog();
            break;
        case Step::Kind::Answer:
            break;  // answers are taken by the boxes
    }
}

Step Make(Step::Kind kind, std::string description) {
    Step step;
    step.kind = kind;
    step.description = std::move(description);
    return step;
}

}  // namespace

Step Click(int controlId) {
    Step step = Make(Step::Kind::Click, "click control " + std::to_string(controlId));
    step.control = controlId;
    return step;
}

Step PressKey(UINT virtualKey, bool shift) {
    Step step = Make(Step::Kind::Key, std::string("press ") + (shift ? "Shift+" : "") + "key " +
                                          std::to_string(virtualKey));
    step.key = virtualKey;
    step.shift = shift;
    return step;
}

Step ClickCloseBox() {
    return Make(Step::Kind::CloseBox, "click the close box");
}

Step Answer(int answer) {
    Step step = Make(Step::Kind::Answer, "answer " + std::to_string(answer));
    step.answer = answer;
    return step;
}

Step Do(std::string description, std::function<void()> action) {
    Step step = Make(Step::Kind::Action, std::move(description));
    step.action = std::move(action);
    return step;
}

Step Pause(uint32_t milliseconds) {
    Step step = Make(Step::Kind::Pause, "wait " + std::to_string(milliseconds) + " ms");
    step.milliseconds = milliseconds;
    return step;
}

Step Uncover() {
    return Make(Step::Kind::Uncover, "uncover the dialog");
}

void Then(Step step) {
    S().script.push_back(std::move(step));
}

void Then(std::vector<Step> steps) {
    for (auto& step : steps) Then(std::move(step));
}

void When(std::function<bool()> condition, Step step) {
    S().triggers.push_back(detail::Trigger{std::move(condition), std::move(step)});
}

size_t StepsLeft() {
    return S().script.size();
}

size_t TriggersPending() {
    return S().triggers.size();
}

void SetDefaultAnswer(AnswerPolicy policy) {
    S().policy = std::move(policy);
}

int AffirmativeAnswer(const BoxRecord& box) {
    switch (box.type & 0x0Fu) {
        case 3:
        case 4:
            return IDYES;
        case 2:
        case 5:
            return 4;  // retry
        default:
            return IDOK;
    }
}

void InvalidateDialog() {
    if (Window* dialog = Find(S().mainDialog)) dialog->needsPaint = dialog->visible;
}

void PlaceControl(int controlId, const RECT& screen) {
    Window* dialog = Find(S().mainDialog);
    Window* control = dialog ? ControlById(*dialog, controlId) : nullptr;
    if (!control) throw ScriptError("no control " + std::to_string(controlId) + " to place");
    control->screen = screen;
    control->client = screen;
    InvalidateDialog();
}

}  // namespace sim::user

namespace sim::user::detail {

void FireTriggers() {
    auto& triggers = S().triggers;
    for (size_t index = 0; index < triggers.size();) {
        if (!triggers[index].condition()) {
            ++index;
            continue;
        }
        Step step = std::move(triggers[index].step);
        triggers.erase(triggers.begin() + static_cast<ptrdiff_t>(index));
        // An answer set off by a trigger is for the next box.
        if (step.kind == Step::Kind::Answer) {
            S().script.push_front(std::move(step));
        } else {
            Run(step);
        }
    }
}

void TakeDialogStep(const Window& dialog) {
    auto& script = S().script;
    if (script.empty()) {
        throw ScriptError("the dialog " + Quoted(dialog.text) +
                          " waits for the user, but the script has no step left");
    }
    Step step = std::move(script.front());
    script.pop_front();
    if (step.kind == Step::Kind::Answer) {
        throw ScriptError("the script wants to " + step.description +
                          " to a message box, but none is open");
    }
    Run(step);
}

std::optional<int> TakeBoxStep(const BoxRecord& box) {
    auto& script = S().script;
    bool hasAnswer = std::any_of(script.begin(), script.end(),
                                 [](const Step& step) { return step.kind == Step::Kind::Answer; });
    if (!hasAnswer) {
        if (S().policy) return Checked(box, S().policy(box));
        throw ScriptError(Describe(box) + " is open, but the script holds no answer for it");
    }
    Step step = std::move(script.front());
    script.pop_front();
    if (step.kind == Step::Kind::Answer) {
        if (S().observer) S().observer->StepTaken(step);
        return Checked(box, step.answer);
    }
    Run(step);
    return std::nullopt;
}

}  // namespace sim::user::detail
