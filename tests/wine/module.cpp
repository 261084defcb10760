#include "tests/wine/module.h"

#include <cstring>
#include <cwchar>

namespace wine_checks {
namespace {

// Reads a DIALOGEX template: the fields the checks hold the window against.
class TemplateReader {
public:
    explicit TemplateReader(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}

    bool Fits(size_t count) const { return at_ + count <= bytes_.size(); }
    uint16_t Word() { return Fits(2) ? Take<uint16_t>() : 0; }
    uint32_t Dword() { return Fits(4) ? Take<uint32_t>() : 0; }
    int16_t Short() { return static_cast<int16_t>(Word()); }
    void Align() { at_ = (at_ + 3) & ~size_t{3}; }
    void Skip(size_t count) { at_ += count; }

    // A string, or an ordinal shown as "#n", or nothing.
    std::wstring StringOrOrdinal() {
        uint16_t first = Word();
        if (first == 0) return {};
        if (first == 0xFFFF) return L"#" + std::to_wstring(Word());
        std::wstring text(1, static_cast<wchar_t>(first));
        for (uint16_t c = Word(); c != 0 && Fits(0); c = Word()) text += static_cast<wchar_t>(c);
        return text;
    }

private:
    template <class T>
    T Take() {
        T value;
        std::memcpy(&value, bytes_.data() + at_, sizeof value);
        at_ += sizeof value;
        return value;
    }

    const std::vector<uint8_t>& bytes_;
    size_t at_ = 0;
};

}  // namespace

Module::Module(const std::wstring& path)
    : module_(LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}

Module::~Module() {
    if (module_ != nullptr) FreeLibrary(module_);
}

std::wstring Module::String(UINT id) const {
    const wchar_t* text = nullptr;
    // With a zero length LoadStringW hands out the text in place, without a copy to cut.
    int length = LoadStringW(module_, id, reinterpret_cast<wchar_t*>(&text), 0);
    return length > 0 && text != nullptr ? std::wstring(text, static_cast<size_t>(length))
                                         : std::wstring();
}

std::vector<uint8_t> Module::Resource(const wchar_t* type, UINT id) const {
    HRSRC found = FindResourceW(module_, MAKEINTRESOURCEW(id), type);
    HGLOBAL loaded = found != nullptr ? LoadResource(module_, found) : nullptr;
    auto* bytes = loaded != nullptr ? static_cast<const uint8_t*>(LockResource(loaded)) : nullptr;
    if (bytes == nullptr) return {};
    return std::vector<uint8_t>(bytes, bytes + SizeofResource(module_, found));
}

DialogTemplate Module::Dialog(UINT id) const {
    DialogTemplate dialog;
    dialog.bytes = Resource(RT_DIALOG, id);
    TemplateReader reader(dialog.bytes);
    if (reader.Word() != 1 || reader.Word() != 0xFFFF) return dialog;  // not a DIALOGEX
    reader.Skip(8);                                                    // help ID, extended style
    uint32_t style = reader.Dword();
    uint16_t count = reader.Word();
    reader.Skip(4);  // x, y
    dialog.cx = reader.Short();
    dialog.cy = reader.Short();
    reader.StringOrOrdinal();  // menu
    reader.StringOrOrdinal();  // class
    dialog.title = reader.StringOrOrdinal();
    if ((style & DS_SETFONT) != 0) {
        reader.Skip(6);  // point size, weight, italic, character set
        reader.StringOrOrdinal();
    }
    for (uint16_t i = 0; i < count && reader.Fits(24); ++i) {
        reader.Align();
        reader.Skip(12);  // help ID, extended style, style
        TemplateItem item;
        item.x = reader.Short();
        item.y = reader.Short();
        item.cx = reader.Short();
        item.cy = reader.Short();
        item.id = reader.Dword();
        reader.StringOrOrdinal();  // class
        item.text = reader.StringOrOrdinal();
        reader.Skip(reader.Word());  // creation data
        dialog.items.push_back(item);
    }
    return dialog;
}

std::wstring Format(const std::wstring& format, unsigned first, unsigned second) {
    wchar_t text[2048];
    swprintf(text, sizeof text / sizeof text[0], format.c_str(), first, second);
    return text;
}

}  // namespace wine_checks
