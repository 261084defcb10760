#include "sim/platform/res_reader.h"

#include <vector>

namespace sim::res {

std::wstring FromUtf16(std::span<const uint16_t> units) {
    std::wstring text;
    text.reserve(units.size());
    for (size_t i = 0; i < units.size(); ++i) {
        uint32_t unit = units[i];
        bool high = unit >= 0xD800 && unit <= 0xDBFF;
        bool lowFollows = i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF;
        if constexpr (sizeof(wchar_t) >= 4) {
            if (high && lowFollows) {
                unit = 0x10000 + ((unit - 0xD800) << 10) + (units[++i] - 0xDC00u);
            }
        }
        text.push_back(static_cast<wchar_t>(unit));
    }
    return text;
}

uint64_t Reader::Little(size_t bytes) {
    if (!ok_ || data_.size() - position_ < bytes) {
        ok_ = false;
        position_ = data_.size();
        return 0;
    }
    uint64_t value = 0;
    for (size_t i = 0; i < bytes; ++i) value |= uint64_t{data_[position_ + i]} << (8 * i);
    position_ += bytes;
    return value;
}

uint16_t Reader::PeekU16() const {
    if (!ok_ || data_.size() - position_ < 2) return 0;
    return static_cast<uint16_t>(data_[position_] | (data_[position_ + 1] << 8));
}

void Reader::Skip(size_t count) {
    if (!ok_ || data_.size() - position_ < count) {
        ok_ = false;
        position_ = data_.size();
        return;
    }
    position_ += count;
}

void Reader::Align(size_t alignment) {
    size_t partial = position_ % alignment;
    if (partial != 0) Skip(alignment - partial);
}

std::wstring Reader::String() {
    std::vector<uint16_t> units;
    for (;;) {
        uint16_t unit = U16();
        if (!ok_ || unit == 0) break;
        units.push_back(unit);
    }
    return FromUtf16(units);
}

std::wstring Reader::Utf16(size_t count) {
    std::vector<uint16_t> units;
    for (size_t i = 0; i < count && ok_; ++i) units.push_back(U16());
    return FromUtf16(units);
}

}  // namespace sim::res
