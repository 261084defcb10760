// The program's resources on the simulated platform: the compiled .res that the Windows
// program links, read once on first use, and the kernel's resource calls over it.
#include "sim/platform/res.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <span>
#include <tuple>

#include "sim/platform/res_reader.h"

namespace sim::res {
namespace {

// The classic image base of a program; any value would do, as long as it stays the same.
const HINSTANCE kProgramInstance = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x00400000));

constexpr uint16_t kDefaultLanguage = 0x0407;     // German (Germany)
constexpr uint16_t kDefaultMemoryFlags = 0x1030;  // moveable, pure, discardable

wchar_t FoldCase(wchar_t c) {
    return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

std::wstring FoldCase(std::wstring text) {
    for (wchar_t& c : text) c = FoldCase(c);
    return text;
}

struct Key {
    Id type;
    Id name;
    bool operator<(const Key& other) const {
        return std::tie(type.number, type.name, name.number, name.name) <
               std::tie(other.type.number, other.type.name, other.name.number, other.name.name);
    }
};

// A resource name in an entry header: 0xFFFF and an ordinal, or a terminated string.
Id ReadId(Reader& in) {
    Id id;
    if (in.PeekU16() == 0xFFFF) {
        in.U16();
        id.number = in.U16();
    } else {
        id.name = FoldCase(in.String());
    }
    return id;
}

// The .res format: an empty entry, then entries aligned to 4 bytes, each a header and its data.
std::optional<std::vector<Resource>> ParseResFile(std::span<const uint8_t> file) {
    std::vector<Resource> entries;
    size_t offset = 0;
    while (offset + 8 <= file.size()) {
        Reader in(file.subspan(offset));
        uint32_t dataSize = in.U32();
        uint32_t headerSize = in.U32();
        Resource entry;
        entry.type = ReadId(in);
        entry.name = ReadId(in);
        in.Align(4);
        in.U32();  // data version
        entry.memoryFlags = in.U16();
        entry.language = in.U16();
        in.U32();  // version
        in.U32();  // characteristics
        if (!in.ok() || headerSize < in.position() || headerSize > in.size() ||
            dataSize > in.size() - headerSize) {
            return std::nullopt;
        }
        auto data = file.subspan(offset + headerSize, dataSize);
        entry.data.assign(data.begin(), data.end());
        // The leading empty entry marks the file format and is no resource.
        bool marker = dataSize == 0 && entry.type.number == 0 && entry.type.name.empty();
        if (!marker) entries.push_back(std::move(entry));
        offset += (size_t{headerSize} + dataSize + 3) & ~size_t{3};
    }
    if (offset < file.size()) return std::nullopt;
    return entries;
}

struct Store {
    std::vector<Resource> entries;
    // A test's replacements: a resource carried instead, or none where the value is empty.
    std::map<Key, std::optional<Resource>> replacements;
    // Every text handed out by pointer, kept for the life of the process like a mapped image.
    std::set<std::wstring> handedOut;
};

std::vector<uint8_t> ReadWholeFile(const char* path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

Store& TheStore() {
    static Store store = [] {
        Store loaded;
        auto entries = ParseResFile(ReadWholeFile(SERVIKA_RES_FILE));
        if (entries && !entries->empty()) {
            loaded.entries = std::move(*entries);
        } else {
            std::fprintf(stderr, "sim: cannot read the program's resources from %s\n",
                         SERVIKA_RES_FILE);
        }
        return loaded;
    }();
    return store;
}

// The resources the program carries right now, replacements applied.
template <class Visit>
void ForEachPresent(Visit visit) {
    Store& store = TheStore();
    for (const Resource& entry : store.entries) {
        if (store.replacements.contains(Key{entry.type, entry.name})) continue;
        visit(entry);
    }
    for (const auto& [key, replacement] : store.replacements) {
        if (replacement) visit(*replacement);
    }
}

bool IsPresent(const Resource* resource) {
    bool found = false;
    ForEachPresent([&](const Resource& entry) { found = found || &entry == resource; });
    return found;
}

bool HasType(const Id& type) {
    bool found = false;
    ForEachPresent([&](const Resource& entry) { found = found || entry.type == type; });
    return found;
}

// FindResourceW and LoadStringW take no module as the program's own.
bool IsProgramModule(HMODULE module) {
    return module == nullptr || module == kProgramInstance;
}

// The string of a string-table bundle at its index, as stored.
std::optional<std::wstring> BundleString(const std::vector<uint8_t>& bundle, unsigned index) {
    Reader in(bundle);
    for (unsigned slot = 0; slot < index; ++slot) in.Skip(size_t{in.U16()} * 2);
    uint16_t count = in.U16();
    std::wstring text = in.Utf16(count);
    if (!in.ok() || count == 0) return std::nullopt;
    return text;
}

Id StringBundleName(uint32_t id) {
    return Id{static_cast<uint16_t>((id >> 4) + 1), {}};
}

}  // namespace

HINSTANCE ProgramInstance() {
    return kProgramInstance;
}

Id Id::From(LPCWSTR nameOrOrdinal) {
    if (IS_INTRESOURCE(nameOrOrdinal)) {
        return Id{static_cast<uint16_t>(reinterpret_cast<uintptr_t>(nameOrOrdinal)), {}};
    }
    std::wstring text(nameOrOrdinal);
    // "#123" names the ordinal 123, as on Windows.
    if (text.size() > 1 && text[0] == L'#' &&
        text.find_first_not_of(L"0123456789", 1) == std::wstring::npos && text.size() <= 6) {
        unsigned long number = std::stoul(text.substr(1));
        if (number <= 0xFFFF) return Id{static_cast<uint16_t>(number), {}};
    }
    return Id{0, FoldCase(text)};
}

const std::vector<Resource>& All() {
    return TheStore().entries;
}

const Resource* Find(const Id& type, const Id& name) {
    Store& store = TheStore();
    auto replaced = store.replacements.find(Key{type, name});
    if (replaced != store.replacements.end())
        return replaced->second ? &*replaced->second : nullptr;
    for (const Resource& entry : store.entries) {
        if (entry.type == type && entry.name == name) return &entry;
    }
    return nullptr;
}

void Replace(const Id& type, const Id& name, std::vector<uint8_t> data) {
    Resource replacement{type, name, kDefaultLanguage, kDefaultMemoryFlags, std::move(data)};
    if (const Resource* original = Find(type, name)) {
        replacement.language = original->language;
        replacement.memoryFlags = original->memoryFlags;
    }
    TheStore().replacements.insert_or_assign(Key{type, name}, std::move(replacement));
}

void Remove(const Id& type, const Id& name) {
    TheStore().replacements.insert_or_assign(Key{type, name}, std::nullopt);
}

void RestoreAll() {
    TheStore().replacements.clear();
}

std::optional<std::wstring> String(uint32_t id) {
    if (id > 0xFFFF) return std::nullopt;
    const Resource* bundle = Find(Id{6, {}}, StringBundleName(id));
    if (!bundle) return std::nullopt;
    return BundleString(bundle->data, id & 15);
}

const Resource* FromHandle(HRSRC handle) {
    auto* resource = reinterpret_cast<const Resource*>(handle);
    return resource && IsPresent(resource) ? resource : nullptr;
}

}  // namespace sim::res

using sim::res::Id;

HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type) {
    if (!sim::res::IsProgramModule(module)) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    Id typeId = Id::From(type);
    const sim::res::Resource* found = sim::res::Find(typeId, Id::From(name));
    if (!found) {
        SetLastError(sim::res::HasType(typeId) ? ERROR_RESOURCE_NAME_NOT_FOUND
                                               : ERROR_RESOURCE_TYPE_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<HRSRC>(const_cast<sim::res::Resource*>(found));
}

HGLOBAL LoadResource(HMODULE module, HRSRC resource) {
    const sim::res::Resource* found = sim::res::FromHandle(resource);
    if (!sim::res::IsProgramModule(module) || !found) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    // An empty resource still has an address.
    static const uint8_t kNoBytes = 0;
    const uint8_t* data = found->data.empty() ? &kNoBytes : found->data.data();
    return const_cast<uint8_t*>(data);
}

DWORD SizeofResource(HMODULE module, HRSRC resource) {
    const sim::res::Resource* found = sim::res::FromHandle(resource);
    if (!sim::res::IsProgramModule(module) || !found) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return static_cast<DWORD>(found->data.size());
}

// Resources are mapped with the image: locking just gives the address.
LPVOID LockResource(HGLOBAL data) {
    return data;
}

int LoadStringW(HINSTANCE instance, UINT id, LPWSTR buffer, int capacity) {
    if (!buffer || capacity < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    // Text IDs are 16-bit; the system ignores the high word.
    UINT textId = id & 0xFFFF;
    std::optional<std::wstring> text;
    if (FindResourceW(instance, MAKEINTRESOURCEW((textId >> 4) + 1), RT_STRING)) {
        text = sim::res::String(textId);
        if (!text) SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    }
    if (capacity == 0) {
        // No buffer to copy into: the caller receives a read-only pointer to the text itself.
        if (!text) return 0;
        const std::wstring& kept = *sim::res::TheStore().handedOut.insert(*text).first;
        *reinterpret_cast<const wchar_t**>(buffer) = kept.c_str();
        return static_cast<int>(kept.size());
    }
    size_t copied = text ? std::min(text->size(), static_cast<size_t>(capacity) - 1) : 0;
    if (text) text->copy(buffer, copied);
    buffer[copied] = L'\0';
    return static_cast<int>(copied);
}
