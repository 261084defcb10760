#include "sim/unit/scenario.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace sim {
namespace {

std::string_view Trim(std::string_view text) {
    size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 99;
}

// A decimal or 0x-hex number no larger than max.
std::optional<uint64_t> Number(std::string_view text, uint64_t max) {
    unsigned base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty()) return std::nullopt;
    uint64_t value = 0;
    for (char c : text) {
        unsigned digit = static_cast<unsigned>(DigitValue(c));
        if (digit >= base || value > (max - digit) / base) return std::nullopt;
        value = value * base + digit;
    }
    return value;
}

struct Item {
    std::string_view text;
    std::string_view key;
    std::string_view value;
    bool hasValue;
};

std::vector<Item> Items(std::string_view text) {
    std::vector<Item> items;
    while (!text.empty()) {
        size_t end = text.find(';');
        std::string_view item = Trim(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (item.empty()) continue;
        size_t equals = item.find('=');
        bool hasValue = equals != std::string_view::npos;
        items.push_back({item, Trim(item.substr(0, equals)),
                         hasValue ? Trim(item.substr(equals + 1)) : std::string_view{}, hasValue});
    }
    return items;
}

class Reader {
public:
    explicit Reader(UnitConfig config) : config_(std::move(config)) {}

    // Empty on success, else what is wrong with the item.
    std::string Read(const Item& item) {
        item_ = &item;
        std::string_view key = item.key;
        if (key == "no_status") {
            if (item.hasValue) return "no_status takes no value";
            config_.faults.statusFetchError = kErrorGenFailure;
            return {};
        }
        if (!item.hasValue) return "expected key=value";
        if (key == "mode") return Mode();
        if (key == "firmware") return Firmware();
        if (key == "trace") return Trace();
        if (key == "bootloader") return Store(&config_.status.bootloaderVersion, 0, UINT32_MAX);
        if (key == "apptype") return Store(&config_.status.appType, 0, UINT16_MAX);
        if (key == "pid") return StorePid();
        if (key == "inlen") return Store(&config_.inputReportLength, 1, UINT16_MAX);
        if (key == "outlen") return Store(&config_.outputReportLength, 1, UINT16_MAX);
        if (key == "fail_report") return Store(&config_.faults.failReport, 1, UINT32_MAX);
        if (key == "error") return StoreError();
        if (key == "unplug_report") return Store(&config_.faults.unplugAfterReport, 1, UINT32_MAX);
        return "unknown key";
    }

    // What holds only over the whole string.
    std::string Finish() {
        if (errorItem_ && config_.faults.failReport == 0) {
            item_ = errorItem_;
            return "error needs fail_report";
        }
        if (config_.mode == UnitMode::Application && !pidGiven_) {
            config_.productId = 2;
            config_.path.clear();
        }
        return {};
    }

    const Item& CurrentItem() const { return *item_; }
    const UnitConfig& Config() const { return config_; }

private:
    std::string Mode() {
        if (item_->value == "boot") {
            config_.mode = UnitMode::Bootloader;
        } else if (item_->value == "app") {
            config_.mode = UnitMode::Application;
        } else {
            return "mode must be boot or app";
        }
        return {};
    }

    std::string Firmware() {
        if (item_->value == "none") {
            config_.infoBlock = UnitConfig::NoFirmwareInfoBlock();
            return {};
        }
        uint32_t version = 0;
        std::string problem = Store(&version, 0, UINT32_MAX);
        if (problem.empty()) config_.SetFirmwareVersion(version);
        return problem;
    }

    std::string Trace() {
        if (item_->value.empty()) return "trace needs a path";
        config_.tracePath = std::string(item_->value);
        return {};
    }

    std::string StorePid() {
        pidGiven_ = true;
        config_.path.clear();
        return Store(&config_.productId, 0, UINT16_MAX);
    }

    std::string StoreError() {
        errorItem_ = item_;
        return Store(&config_.faults.failReportError, 1, UINT32_MAX);
    }

    template <class T>
    std::string Store(T* field, uint64_t min, uint64_t max) {
        auto value = Number(item_->value, max);
        if (!value || *value < min) {
            return std::string(item_->key) + " must be a number from " + std::to_string(min) +
                   " to " + std::to_string(max) + " (decimal or 0x-hex)";
        }
        *field = static_cast<T>(*value);
        return {};
    }

    UnitConfig config_;
    const Item* item_ = nullptr;
    const Item* errorItem_ = nullptr;
    bool pidGiven_ = false;
};

std::string BadItem(const Item& item, const std::string& problem) {
    return "bad item \"" + std::string(item.text) + "\": " + problem;
}

}  // namespace

std::string ParseScenario(std::string_view text, UnitConfig* config) {
    std::vector<Item> items = Items(text);
    Reader reader(*config);
    for (const Item& item : items) {
        std::string problem = reader.Read(item);
        if (!problem.empty()) return BadItem(item, problem);
    }
    std::string problem = reader.Finish();
    if (!problem.empty()) return BadItem(reader.CurrentItem(), problem);
    *config = reader.Config();
    return {};
}

}  // namespace sim
