// The program's own resources, read from its .exe as a data file: the expected texts, the
// dialog template and the firmware image come from there, so no text is written twice.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace wine_checks {

struct TemplateItem {
    uint32_t id;
    std::wstring text;
    int16_t x, y, cx, cy;
};

struct DialogTemplate {
    std::vector<uint8_t> bytes;  // as stored, for making a copy of the dialog
    std::wstring title;
    int16_t cx = 0, cy = 0;
    std::vector<TemplateItem> items;  // in template order
};

class Module {
public:
    explicit Module(const std::wstring& path);
    ~Module();
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;

    bool Loaded() const { return module_ != nullptr; }
    std::wstring String(UINT id) const;
    std::vector<uint8_t> Resource(const wchar_t* type, UINT id) const;
    DialogTemplate Dialog(UINT id) const;

private:
    HMODULE module_;
};

// swprintf with a format taken from the string table.
std::wstring Format(const std::wstring& format, unsigned first, unsigned second);

}  // namespace wine_checks
