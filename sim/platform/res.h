// The program's resources, read from the compiled .res that the Windows build links.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/platform/win32_sim.h"

namespace sim::res {

// The module instance of the program itself; resources are found only through it.
HINSTANCE ProgramInstance();

// A resource's identity: an integer ID, or a name when the script gave a string.
struct Id {
    uint16_t number = 0;
    std::wstring name;  // used when number is 0
    static Id From(LPCWSTR nameOrOrdinal);
    bool operator==(const Id&) const = default;
};

struct Resource {
    Id type;
    Id name;
    uint16_t language = 0;
    uint16_t memoryFlags = 0;
    std::vector<uint8_t> data;
};

// Every entry of the compiled .res in file order (the leading empty entry left out).
const std::vector<Resource>& All();
// The entry of that type and name, or null. Replacements made by a test take precedence.
const Resource* Find(const Id& type, const Id& name);
// The resource behind a handle from FindResourceW, or null when it names none (any more).
const Resource* FromHandle(HRSRC handle);

// For tests: carry other data under a type and name, or carry none at all. A replacement keeps
// the language of the resource it replaces. Pointers into a replaced resource's data end with
// the next Replace, Remove or RestoreAll of it.
void Replace(const Id& type, const Id& name, std::vector<uint8_t> data);
void Remove(const Id& type, const Id& name);
void RestoreAll();

// A string of the string table, or nothing when the table has no such string. Ids are
// 16-bit; the table stores them in bundles of 16 under the name (id >> 4) + 1.
std::optional<std::wstring> String(uint32_t id);

struct DialogItem {
    uint32_t helpId = 0;
    uint32_t exStyle = 0;
    uint32_t style = 0;
    int16_t x = 0, y = 0, cx = 0, cy = 0;
    int32_t id = 0;
    // Upper case: "BUTTON", "EDIT", "STATIC", whether the template named the class by
    // ordinal (then classOrdinal holds it) or by string.
    std::wstring className;
    uint16_t classOrdinal = 0;
    std::wstring text;
    uint16_t textOrdinal = 0;  // nonzero when the template gave the text as an ordinal
    uint16_t creationDataSize = 0;
};

struct DialogTemplate {
    uint16_t version = 0;
    uint16_t signature = 0;
    uint32_t helpId = 0;
    uint32_t exStyle = 0;
    uint32_t style = 0;
    int16_t x = 0, y = 0, cx = 0, cy = 0;
    std::wstring menu;         // empty: none; "#n" for an ordinal
    std::wstring windowClass;  // empty: the standard dialog class; "#n" for an ordinal
    std::wstring title;
    uint16_t pointSize = 0;
    uint16_t weight = 0;
    uint8_t italic = 0;
    uint8_t charset = 0;
    std::wstring typeface;
    std::vector<DialogItem> items;
};

// Parses a DIALOGEX template; nothing when the data is not one.
std::optional<DialogTemplate> ParseDialog(const std::vector<uint8_t>& data);

// A bitmap resource decoded: the header's fields and the pixels as COLORREF, top row first.
struct Dib {
    int32_t width = 0;
    int32_t height = 0;  // as stored: positive means rows bottom-up in the data
    uint16_t planes = 0;
    uint16_t bitCount = 0;
    uint32_t compression = 0;
    uint32_t sizeImage = 0;
    int32_t xPelsPerMeter = 0;
    int32_t yPelsPerMeter = 0;
    uint32_t colorsUsed = 0;
    uint32_t headerSize = 0;
    std::vector<COLORREF> pixels;  // width x |height|, top row first
    COLORREF At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

std::optional<Dib> DecodeBitmap(const std::vector<uint8_t>& data);

struct IconEntry {
    uint8_t width = 0, height = 0, colorCount = 0, reserved = 0;
    uint16_t planes = 0, bitCount = 0;
    uint32_t bytesInRes = 0;
    uint16_t id = 0;
};

struct IconGroup {
    uint16_t reserved = 0, type = 0;
    std::vector<IconEntry> entries;
};

std::optional<IconGroup> ParseIconGroup(const std::vector<uint8_t>& data);

}  // namespace sim::res
