// Wide texts of the simulated platform as UTF-8, for printing.
#pragma once

#include <cstdint>
#include <string>

namespace sim {

inline std::string Utf8(const std::wstring& text) {
    std::string out;
    auto put = [&out](uint32_t byte) { out += static_cast<char>(byte); };
    for (wchar_t wc : text) {
        auto c = static_cast<uint32_t>(wc);
        if (c < 0x80) {
            put(c);
        } else if (c < 0x800) {
            put(0xC0 | (c >> 6));
            put(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            put(0xE0 | (c >> 12));
            put(0x80 | ((c >> 6) & 0x3F));
            put(0x80 | (c & 0x3F));
        } else {
            put(0xF0 | (c >> 18));
            put(0x80 | ((c >> 12) & 0x3F));
            put(0x80 | ((c >> 6) & 0x3F));
            put(0x80 | (c & 0x3F));
        }
    }
    return out;
}

}  // namespace sim
