// Reading the little-endian structures of compiled resources without running past their end.
// A read past the end yields zeros and marks the reader failed; callers check ok() once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace sim::res {

// UTF-16 code units as wide characters: one per unit where wchar_t is 2 bytes; where it is
// 4, a surrogate pair becomes one character and an unpaired surrogate is kept as it is.
std::wstring FromUtf16(std::span<const uint16_t> units);

class Reader {
public:
    explicit Reader(std::span<const uint8_t> data) : data_(data) {}

    bool ok() const { return ok_; }
    size_t position() const { return position_; }
    size_t size() const { return data_.size(); }

    uint8_t U8() { return static_cast<uint8_t>(Little(1)); }
    uint16_t U16() { return static_cast<uint16_t>(Little(2)); }
    uint32_t U32() { return static_cast<uint32_t>(Little(4)); }
    int16_t I16() { return static_cast<int16_t>(U16()); }
    int32_t I32() { return static_cast<int32_t>(U32()); }
    uint16_t PeekU16() const;

    void Skip(size_t count);
    // Skips to the next multiple of `alignment` from the start of the data.
    void Align(size_t alignment);

    // A zero-terminated UTF-16 string; failed when the terminator is missing.
    std::wstring String();
    // `count` UTF-16 code units.
    std::wstring Utf16(size_t count);

private:
    uint64_t Little(size_t bytes);

    std::span<const uint8_t> data_;
    size_t position_ = 0;
    bool ok_ = true;
};

}  // namespace sim::res
