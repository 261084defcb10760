// The program's main job without hardware: the updater on the simulated platform, a virtual
// SERVIKA plugged in, and a user who presses Update and answers the boxes. It prints what a
// person at the screen would see and ends with whether the unit's flash holds the image.
//
//   servika-sim-run [--virtual-time] [--answer-no]
//   SERVIKA_VIRTUAL_UNIT="key=value;..." chooses another unit.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/main_dialog.h"
#include "resources/resource.h"
#include "sim/platform/gdi.h"
#include "sim/platform/hid.h"
#include "sim/platform/kernel.h"
#include "sim/platform/res.h"
#include "sim/platform/user.h"
#include "sim/platform/utf8.h"
#include "sim/unit/on_bus.h"
#include "sim/unit/scenario.h"
#include "unit/protocol.h"

namespace {

constexpr int EXIT_VERIFIED = 0;
constexpr int EXIT_NOT_VERIFIED = 1;
constexpr int EXIT_USAGE = 2;
constexpr uint32_t PHASE_PAUSE_MS = 20;
constexpr uint32_t DATA_PAUSE_MS = 20;
constexpr uint32_t CHUNK_SIZE = 48;

struct Options {
    bool virtualTime = false;
    bool answerNo = false;
};

// Multi-line texts are indented so each stays one block in the output.
std::string Block(const std::wstring& text) {
    std::string out;
    for (char c : sim::Utf8(text)) {
        if (c == '\r') continue;
        out += c;
        if (c == '\n') out += "    | ";
    }
    return out;
}

void Say(const std::string& line) {
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "[%8.3f s] ",
                  static_cast<double>(sim::NowMicroseconds()) / 1e6);
    std::cout << stamp << line << std::endl;
}

std::string ControlName(int id) {
    switch (id) {
        case IDC_STATUS_TEXT: return "status pane";
        case IDC_UPDATE: return "button \"Update\"";
        case IDCANCEL: return "button \"Beenden\"";
        case IDC_LABEL_FW1: return "label of row 1";
        case IDC_LABEL_FW2: return "label of row 2";
        case IDC_LABEL_FW3: return "label of row 3";
        case IDC_VERSION_FW1: return "version row 1";
        case IDC_VERSION_FW2: return "version row 2";
        case IDC_VERSION_FW3: return "version row 3";
        default: return "control " + std::to_string(id);
    }
}

std::string Answer(int answer) {
    switch (answer) {
        case IDOK: return "OK";
        case IDYES: return "Ja";
        case IDNO: return "Nein";
        default: return std::to_string(answer);
    }
}

// Prints the changes a person would notice.
class Narrator : public sim::user::Observer {
public:
    void DialogShown(HWND dialog) override {
        Say("window shown: \"" + sim::Utf8(sim::user::Text(dialog)) + "\"");
        DescribeWindow();
    }
    void DialogEnded(HWND, INT_PTR) override { Say("window closed"); }
    void TextChanged(HWND window, const std::wstring& text) override {
        if (!sim::user::DialogEverShown()) return;
        Say(Name(window) + ": " + Block(text));
    }
    void EnabledChanged(HWND window, bool enabled) override {
        if (!sim::user::DialogEverShown()) return;
        Say(Name(window) + (enabled ? ": enabled" : ": disabled"));
    }
    void BoxOpened(const sim::user::BoxRecord& box) override {
        Say("message box \"" + sim::Utf8(box.caption) + "\":\n    | " + Block(box.text));
    }
    void BoxClosed(const sim::user::BoxRecord& box) override {
        Say("message box answered: " + Answer(box.answer));
    }
    void ProgressCreated(const sim::user::ProgressRecord& progress) override {
        const RECT& r = progress.rect;
        Say("progress window \"" + sim::Utf8(progress.text) + "\" at (" + std::to_string(r.left) +
            ", " + std::to_string(r.top) + "), " + std::to_string(r.right - r.left) + " x " +
            std::to_string(r.bottom - r.top));
        shownPercent_ = -1;
    }
    void ProgressPosition(const sim::user::ProgressRecord&, int position) override {
        // The bar moves in small steps; every tenth is enough to follow it.
        if (shownPercent_ >= 0 && position / 10 == shownPercent_ / 10 && position != 100) return;
        shownPercent_ = position;
        Say("progress: " + std::to_string(position) + " %");
    }
    void ProgressDestroyed(const sim::user::ProgressRecord&) override {
        Say("progress window closed");
    }
    void StepTaken(const sim::user::Step& step) override {
        if (step.kind == sim::user::Step::Kind::Click) {
            Say("user clicks " + ControlName(step.control));
        } else if (step.kind == sim::user::Step::Kind::Action) {
            Say("user: " + step.description);
        }
    }

    static void DescribeWindow() {
        for (int id : {IDC_STATUS_TEXT, IDC_LABEL_FW1, IDC_VERSION_FW1, IDC_LABEL_FW2,
                       IDC_VERSION_FW2, IDC_UPDATE, IDCANCEL}) {
            std::string state = sim::user::IsEnabled(id) ? "" : " (disabled)";
            Say("  " + ControlName(id) + state + ": " + Block(sim::user::Text(id)));
        }
    }

private:
    static std::string Name(HWND window) {
        if (window == sim::user::MainDialog()) return "title";
        auto info = sim::user::Info(window);
        return info ? ControlName(info->id) : "window";
    }
    int shownPercent_ = -1;
};

bool ParseOptions(int argc, char** argv, Options* options) {
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg == "--virtual-time") {
            options->virtualTime = true;
        } else if (arg == "--answer-no") {
            options->answerNo = true;
        } else {
            std::cerr << "unknown option " << arg << "\nusage: " << argv[0]
                      << " [--virtual-time] [--answer-no]\n";
            return false;
        }
    }
    return true;
}

std::vector<uint8_t> CarriedImage() {
    const sim::res::Resource* image =
        sim::res::Find(sim::res::Id{10, L""}, sim::res::Id{IDR_FIRMWARE, L""});
    return image ? image->data : std::vector<uint8_t>{};
}

// The least time an update of this image can take: the pauses between its reports.
uint64_t PacingFloorMs(size_t imageLength) {
    uint64_t pages = (INFO_BLOCK_ADDRESS - FLASH_APP_START) / FLASH_PAGE_SIZE;
    uint64_t chunks = (imageLength + CHUNK_SIZE - 1) / CHUNK_SIZE;
    return PHASE_PAUSE_MS * 3 + pages * ERASE_PAUSE_MS + chunks * DATA_PAUSE_MS;
}

// From the write begin to the finish, as the unit received them.
bool UpdateDuration(const sim::VirtualUnit& unit, uint64_t* milliseconds) {
    const auto& reports = unit.Transcript();
    const sim::ReceivedReport* begin = nullptr;
    const sim::ReceivedReport* finish = nullptr;
    for (const auto& report : reports) {
        if (report.bytes.size() < 2) continue;
        if (report.bytes[1] == CMD_WRITE_BEGIN && begin == nullptr) begin = &report;
        if (report.bytes[1] == CMD_FINISH) finish = &report;
    }
    if (begin == nullptr || finish == nullptr) return false;
    *milliseconds = (finish->microseconds - begin->microseconds) / 1000;
    return true;
}

int Verdict(const sim::VirtualUnit& unit) {
    std::vector<uint8_t> image = CarriedImage();
    bool verified = !image.empty() && unit.ReadFlash(FLASH_APP_START, image.size()) == image;
    std::cout << "\nVerdict: the unit's flash " << (verified ? "holds" : "does NOT hold")
              << " the image (" << image.size() << " bytes) at 0x08003000.\n";
    uint64_t took = 0;
    if (UpdateDuration(unit, &took)) {
        std::cout << "The update took " << took << " ms; its pacing sets a floor of "
                  << PacingFloorMs(image.size()) << " ms.\n";
    } else {
        std::cout << "No complete update reached the unit.\n";
    }
    std::cout << "Reports the unit received: " << unit.Transcript().size()
              << "; reports it could not take safely: " << unit.Violations().size() << ".\n";
    for (const auto& violation : unit.Violations()) std::cout << "  " << violation.what << "\n";
    return verified ? EXIT_VERIFIED : EXIT_NOT_VERIFIED;
}

void ScriptTheUser(const Options& options) {
    sim::user::SetDefaultAnswer([&options](const sim::user::BoxRecord& box) {
        if ((box.type & MB_YESNO) == MB_YESNO) return options.answerNo ? IDNO : IDYES;
        return IDOK;
    });
    sim::user::Then({sim::user::Pause(1000), sim::user::Click(IDC_UPDATE), sim::user::Pause(1000),
                     sim::user::Do("looks at the window", [] {
                         Say("the window now shows:");
                         Narrator::DescribeWindow();
                     }),
                     sim::user::Click(IDCANCEL)});
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, &options)) return EXIT_USAGE;
    sim::UnitConfig config;
    const char* scenario = std::getenv("SERVIKA_VIRTUAL_UNIT");
    std::string problem = sim::ParseScenario(scenario ? scenario : "", &config);
    if (!problem.empty()) {
        std::cerr << "SERVIKA_VIRTUAL_UNIT refused: " << problem << "\n";
        return EXIT_USAGE;
    }

    sim::ResetKernel();
    sim::UseRealTime(!options.virtualTime);
    Narrator narrator;
    sim::user::SetObserver(&narrator);
    auto unit = sim::PlugVirtualUnit(config);
    Say("virtual SERVIKA plugged in: " + sim::Utf8(config.path.empty()
                                                  ? sim::DefaultUnitPath(config.vendorId,
                                                                         config.productId)
                                                  : config.path));
    ScriptTheUser(options);

    wchar_t commandLine[] = L"";
    int exitCode = 0;
    try {
        exitCode = wWinMain(sim::res::ProgramInstance(), nullptr, commandLine, SW_SHOW);
    } catch (const sim::user::ScriptError& error) {
        std::cerr << "the scripted user could not go on: " << error.what() << "\n";
        return EXIT_NOT_VERIFIED;
    }
    sim::user::SetObserver(nullptr);
    Say("program ended with exit code " + std::to_string(exitCode));
    return Verdict(*unit);
}
