// The formats of the resources the program carries: the extended dialog template, the
// device-independent bitmap and the icon group directory.
#include <array>

#include "sim/platform/res.h"
#include "sim/platform/res_reader.h"

namespace sim::res {
namespace {

constexpr uint16_t kExtendedDialogVersion = 1;
constexpr uint16_t kExtendedDialogSignature = 0xFFFF;
constexpr uint32_t kBiRgb = 0;

std::wstring UpperCase(std::wstring text) {
    for (wchar_t& c : text) {
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    }
    return text;
}

// The predefined control classes a template may name by ordinal.
std::wstring ClassOfOrdinal(uint16_t ordinal) {
    static const std::array<const wchar_t*, 6> names = {L"BUTTON",  L"EDIT",      L"STATIC",
                                                        L"LISTBOX", L"SCROLLBAR", L"COMBOBOX"};
    if (ordinal >= 0x80 && ordinal < 0x80 + names.size()) return names[ordinal - 0x80];
    return L"#" + std::to_wstring(ordinal);
}

// A field that is empty (0x0000), an ordinal (0xFFFF and a WORD) or a terminated string.
struct NameOrOrdinal {
    std::wstring name;
    uint16_t ordinal = 0;
    bool isOrdinal = false;
};

NameOrOrdinal ReadNameOrOrdinal(Reader& in) {
    NameOrOrdinal field;
    if (in.PeekU16() == 0xFFFF) {
        in.U16();
        field.ordinal = in.U16();
        field.isOrdinal = true;
    } else {
        field.name = in.String();
    }
    return field;
}

std::wstring AsText(const NameOrOrdinal& field) {
    return field.isOrdinal ? L"#" + std::to_wstring(field.ordinal) : field.name;
}

DialogItem ReadDialogItem(Reader& in) {
    DialogItem item;
    in.Align(4);
    item.helpId = in.U32();
    item.exStyle = in.U32();
    item.style = in.U32();
    item.x = in.I16();
    item.y = in.I16();
    item.cx = in.I16();
    item.cy = in.I16();
    item.id = in.I32();
    NameOrOrdinal windowClass = ReadNameOrOrdinal(in);
    if (windowClass.isOrdinal) {
        item.classOrdinal = windowClass.ordinal;
        item.className = ClassOfOrdinal(windowClass.ordinal);
    } else {
        item.className = UpperCase(windowClass.name);
    }
    NameOrOrdinal text = ReadNameOrOrdinal(in);
    item.text = text.name;
    item.textOrdinal = text.isOrdinal ? text.ordinal : 0;
    item.creationDataSize = in.U16();
    in.Skip(item.creationDataSize);
    return item;
}

}  // namespace

std::optional<DialogTemplate> ParseDialog(const std::vector<uint8_t>& data) {
    Reader in(data);
    DialogTemplate dialog;
    dialog.version = in.U16();
    dialog.signature = in.U16();
    if (!in.ok() || dialog.version != kExtendedDialogVersion ||
        dialog.signature != kExtendedDialogSignature) {
        return std::nullopt;
    }
    dialog.helpId = in.U32();
    dialog.exStyle = in.U32();
    dialog.style = in.U32();
    uint16_t itemCount = in.U16();
    dialog.x = in.I16();
    dialog.y = in.I16();
    dialog.cx = in.I16();
    dialog.cy = in.I16();
    dialog.menu = AsText(ReadNameOrOrdinal(in));
    dialog.windowClass = AsText(ReadNameOrOrdinal(in));
    dialog.title = in.String();
    if (dialog.style & DS_SETFONT) {
        dialog.pointSize = in.U16();
        dialog.weight = in.U16();
        dialog.italic = in.U8();
        dialog.charset = in.U8();
        dialog.typeface = in.String();
    }
    for (uint16_t i = 0; i < itemCount && in.ok(); ++i) dialog.items.push_back(ReadDialogItem(in));
    if (!in.ok()) return std::nullopt;
    return dialog;
}

std::optional<Dib> DecodeBitmap(const std::vector<uint8_t>& data) {
    Reader in(data);
    Dib dib;
    dib.headerSize = in.U32();
    dib.width = in.I32();
    dib.height = in.I32();
    dib.planes = in.U16();
    dib.bitCount = in.U16();
    dib.compression = in.U32();
    dib.sizeImage = in.U32();
    dib.xPelsPerMeter = in.I32();
    dib.yPelsPerMeter = in.I32();
    dib.colorsUsed = in.U32();
    in.U32();  // important colours
    bool supported = dib.compression == kBiRgb && (dib.bitCount == 24 || dib.bitCount == 32);
    if (!in.ok() || dib.headerSize < 40 || dib.width <= 0 || dib.height == 0 || !supported)
        return std::nullopt;

    // Pixels follow the header and the colour table, which true-colour pictures rarely carry.
    uint64_t rows = dib.height < 0 ? -int64_t{dib.height} : dib.height;
    uint64_t stride = (uint64_t{static_cast<uint32_t>(dib.width)} * dib.bitCount + 31) / 32 * 4;
    uint64_t pixelsAt = uint64_t{dib.headerSize} + uint64_t{dib.colorsUsed} * 4;
    if (pixelsAt > data.size() || stride * rows > data.size() - pixelsAt) return std::nullopt;

    size_t bytesPerPixel = dib.bitCount / 8;
    dib.pixels.resize(static_cast<size_t>(dib.width) * rows);
    for (uint64_t row = 0; row < rows; ++row) {
        // Positive heights store the bottom row first.
        uint64_t stored = dib.height > 0 ? rows - 1 - row : row;
        const uint8_t* line = data.data() + pixelsAt + stored * stride;
        for (int32_t x = 0; x < dib.width; ++x) {
            const uint8_t* pixel = line + static_cast<size_t>(x) * bytesPerPixel;
            dib.pixels[row * dib.width + x] = RGB(pixel[2], pixel[1], pixel[0]);
        }
    }
    return dib;
}

std::optional<IconGroup> ParseIconGroup(const std::vector<uint8_t>& data) {
    Reader in(data);
    IconGroup group;
    group.reserved = in.U16();
    group.type = in.U16();
    uint16_t count = in.U16();
    for (uint16_t i = 0; i < count && in.ok(); ++i) {
        IconEntry entry;
        entry.width = in.U8();
        entry.height = in.U8();
        entry.colorCount = in.U8();
        entry.reserved = in.U8();
        entry.planes = in.U16();
        entry.bitCount = in.U16();
        entry.bytesInRes = in.U32();
        entry.id = in.U16();
        group.entries.push_back(entry);
    }
    if (!in.ok()) return std::nullopt;
    return group;
}

}  // namespace sim::res
