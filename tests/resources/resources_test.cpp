// The compiled resources against what the program must carry: every resource and language,
// the main dialog, every text, the header picture, the icon, the firmware image, the manifest.
// This is the one place where the expected texts are written out.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "platform/win32.h"
#include "resources/resource.h"
#include "sim/platform/res.h"

namespace {

using sim::res::Id;

constexpr uint16_t kGerman = 1031;
constexpr uint16_t kEnglishUs = 1033;
constexpr COLORREF kKeyColour = RGB(0, 255, 0);

Id Ordinal(uint16_t number) {
    return Id{number, {}};
}

const std::vector<uint8_t>& DataOf(uint16_t type, uint16_t name) {
    const sim::res::Resource* resource = sim::res::Find(Ordinal(type), Ordinal(name));
    if (!resource) ADD_FAILURE() << "no resource of type " << type << " and name " << name;
    static const std::vector<uint8_t> none;
    return resource ? resource->data : none;
}

uint32_t Le32(const std::vector<uint8_t>& data, size_t at) {
    uint32_t value = 0;
    std::memcpy(&value, data.data() + at, 4);
    return value;
}

// ---- Every resource, in its language ------------------------------------------------------

TEST(CompiledResources, CarryEveryResourceInItsLanguageAndNoOther) {
    using Entry = std::tuple<uint16_t, uint16_t, uint16_t>;  // type, name, language
    std::set<Entry> expected = {
        {5, 110, kGerman},             // IDD_MAIN
        {14, 123, kGerman},            // IDI_APP
        {2, 121, kGerman},             // IDB_HEADER
        {10, 119, kGerman},            // IDR_FIRMWARE
        {24, 1, kEnglishUs},           // manifest
        {6, 40000 / 16 + 1, kGerman},  // the string table: 40000 to 40015
        {6, 40016 / 16 + 1, kGerman},  // 40016 to 40031
        {6, 40032 / 16 + 1, kGerman},  // 40032 to 40047
    };
    static_assert(IDD_MAIN == 110 && IDI_APP == 123 && IDB_HEADER == 121 && IDR_FIRMWARE == 119);

    std::set<Entry> carried;
    size_t icons = 0;
    for (const sim::res::Resource& resource : sim::res::All()) {
        ASSERT_TRUE(resource.type.name.empty() && resource.name.name.empty())
            << "resources are named by number";
        if (resource.type.number == 3) {  // the images of the icon group, checked with it
            EXPECT_EQ(resource.language, kGerman);
            ++icons;
            continue;
        }
        carried.insert({resource.type.number, resource.name.number, resource.language});
    }
    EXPECT_EQ(carried, expected);
    EXPECT_EQ(icons, 8u);
}

// ---- The main dialog ----------------------------------------------------------------------

struct ExpectedItem {
    int id;
    int number;  // the ID's value, held against resource.h
    const wchar_t* className;
    const wchar_t* text;
    uint32_t style;
    uint32_t exStyle;
    int16_t x, y, cx, cy;
};

const ExpectedItem kMainDialogItems[] = {
    {IDCANCEL, 2, L"BUTTON", L"Beenden", 0x50030001, 0, 157, 199, 50, 14},
    {IDC_UPDATE, 1002, L"BUTTON", L"Update", 0x58010000, 0, 61, 199, 50, 14},
    {IDC_LABEL_FW1, 40010, L"STATIC", L"Firmware 1:", 0x50020000, 0, 22, 24, 60, 8},
    {IDC_LABEL_FW2, 1005, L"STATIC", L"Firmware 2:", 0x50020000, 0, 22, 37, 60, 8},
    {IDC_VERSION_FW1, 40013, L"STATIC", L"0.00.00", 0x50020000, 0x00001000, 90, 24, 50, 8},
    {IDC_VERSION_FW2, 40014, L"STATIC", L"0.00.00", 0x50020000, 0x00001000, 90, 37, 50, 8},
    {IDC_STATUS_TEXT, 40004, L"EDIT", L"", 0x50A00844, 0, 15, 89, 271, 101},
    {IDC_STATIC, -1, L"STATIC", L"Hinweisfenster:", 0x50020000, 0, 15, 79, 49, 8},
    {IDC_VERSIONS_GROUP, 40007, L"BUTTON", L"Installierte Firmware Versionen", 0x50020007, 0, 15,
     10, 135, 57},
    {IDC_LABEL_FW3, 40011, L"STATIC", L"Firmware 3:", 0x50020000, 0, 22, 50, 60, 8},
    {IDC_VERSION_FW3, 40015, L"STATIC", L"0.00.00", 0x50020000, 0x00001000, 90, 50, 50, 8},
};

TEST(CompiledResources, MainDialogTemplate) {
    auto dialog = sim::res::ParseDialog(DataOf(5, 110));
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->version, 1);
    EXPECT_EQ(dialog->signature, 0xFFFF);
    EXPECT_EQ(dialog->helpId, 0u);
    EXPECT_EQ(dialog->exStyle, 0u);
    EXPECT_EQ(dialog->style, 0x80C808C8u);
    EXPECT_EQ(dialog->style,
              WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER | DS_SHELLFONT);
    EXPECT_EQ(std::make_tuple(dialog->x, dialog->y, dialog->cx, dialog->cy),
              std::make_tuple(int16_t{0}, int16_t{0}, int16_t{300}, int16_t{228}));
    EXPECT_EQ(dialog->menu, L"");
    EXPECT_EQ(dialog->windowClass, L"");
    EXPECT_EQ(dialog->title, L"VELDRAMON Firmware Updater");
    EXPECT_EQ(dialog->pointSize, 8);
    EXPECT_EQ(dialog->weight, 0);
    EXPECT_EQ(dialog->italic, 0);
    EXPECT_EQ(dialog->charset, 1);
    EXPECT_EQ(dialog->typeface, L"MS Shell Dlg");

    ASSERT_EQ(dialog->items.size(), std::size(kMainDialogItems));
    for (size_t i = 0; i < dialog->items.size(); ++i) {
        const sim::res::DialogItem& item = dialog->items[i];
        const ExpectedItem& want = kMainDialogItems[i];
        SCOPED_TRACE(testing::Message() << "control " << i + 1 << ", ID " << want.number);
        EXPECT_EQ(want.id, want.number) << "resource.h";
        EXPECT_EQ(item.id, want.number);
        EXPECT_EQ(item.className, want.className);
        EXPECT_EQ(item.text, want.text);
        EXPECT_EQ(item.textOrdinal, 0);
        EXPECT_EQ(item.style, want.style);
        EXPECT_EQ(item.exStyle, want.exStyle);
        EXPECT_EQ(std::make_tuple(item.x, item.y, item.cx, item.cy),
                  std::make_tuple(want.x, want.y, want.cx, want.cy));
        EXPECT_EQ(item.helpId, 0u);
        EXPECT_EQ(item.creationDataSize, 0);
    }
}

// ---- The string table ---------------------------------------------------------------------

struct ExpectedText {
    int id;
    int number;  // the ID's value, held against resource.h
    const wchar_t* text;
};

const ExpectedText kTexts[] = {
    {IDS_READY, 40000,
     L"SERVIKA am USB Bus erkannt und bereit zum Update. Klicken Sie auf 'Update', "
     L"um die neue Firmware nun in den Flash-Speicher der SERVIKA zu "
     L"übertragen.\r\n\r\n!!! Bitte achten Sie darauf, dass die Verbindung "
     L"PC<=>SERVIKA während des gesamten Update-Vorgangs nicht unterbrochen wird. "
     L"Andernfalls kann es zu einer fehlerhaften Firmware kommen, wodurch Schäden "
     L"am Gerät nicht ausgeschlossen sind !!!"},
    {IDS_INSTRUCTIONS, 40001,
     L"i) Verbinden Sie die SERVIKA mit einem freien USB Anschluss des "
     L"PCs\r\n\r\nii) Schalten Sie die SERVIKA durch einen Druck auf den Taster "
     L"ein. Halten Sie den Taster dabei solange gedrückt, bis die rote LED links "
     L"oberhalb des Tasters leuchtet\r\n\r\niii) Lassen Sie den Taster jetzt "
     L"wieder los. Die rote und grüne LED links oberhalb des Tasters blinken nun "
     L"abwechselnd und signalisieren, dass sich die SERVIKA im Bootloader Modus "
     L"befindet\r\n\r\niv) Die SERVIKA sollte jetzt vom PC gefunden und der Button "
     L"'Update' aktiviert werden. Klicken Sie auf 'Update', um den Update-Vorgang "
     L"zu starten und die neue Firmware zu übertragen"},
    {IDS_UPDATE_FAILED, 40002, L"Update fehlgeschlagen!"},
    {IDS_ERR_SET_ADDRESS, 40008,
     L"Die Speicheradresse, an welche die neue Firmware geschrieben wird, konnte "
     L"nicht gesetzt werden. Das Update wird abgebrochen"},
    {IDS_ERR_WRITE_BLOCK, 40009,
     L"Fehler beim Schreiben des letzten Firmware Datenblocks. Das Update wird "
     L"abgebrochen."},
    {IDS_ERR_NOTIFY_REGISTER, 40011,
     L"Fehler beim Registrieren des Windows Geräte-Meldungshandlers. Neue Geräte "
     L"am USB Port können nicht erkannt werden. Das Programm wird geschlossen."},
    {IDS_APP_ERROR, 40012, L"Fehler in der Anwendung"},
    {IDS_WRONG_MODE, 40015,
     L"Es wurde eine SERVIKA am USB Port des PCs gefunden, die sich jedoch im "
     L"falschen Modus befindet. Gehen Sie folgendermaßen vor, um ein Update der "
     L"SERVIKA Software durchzuführen:"},
    {IDS_NO_UNIT, 40017,
     L"Es wurde keine SERVIKA am USB Port des PCs gefunden. Gehen Sie "
     L"folgendermaßen vor, um ein Update der SERVIKA Software durchzuführen:"},
    {IDS_DISCONNECTED, 40020,
     L"Die USB Verbindung zwischen SERVIKA und PC wurde getrennt. Gehen Sie "
     L"folgendermaßen vor, um ein Update der SERVIKA Software durchzuführen:"},
    {IDS_UNIT_GONE, 40022,
     L"Das Update wird abgebrochen, da die SERVIKA für das System nicht mehr "
     L"verfügbar ist. Bitte vergewissern Sie sich, dass die Verbindung "
     L"PC<=>SERVIKA nicht unterbrochen wurde"},
    {IDS_CONFIRM_OLDER, 40023,
     L"Die Firmware die Sie auf der SERVIKA installieren möchten, ist älter oder "
     L"gleich alt wie die bereits auf der SERVIKA vorhandene Version. Sind Sie "
     L"sicher, dass Sie die ältere Firmware dennoch installieren und die "
     L"vorhandene unwiderruflich löschen möchten?"},
    {IDS_NEWER_FOUND, 40025, L"Neuere Firmware gefunden"},
    {IDS_ERR_WRITE_ACCESS, 40027,
     L"Schreibzugriff auf den Flash-Speicher der SERVIKA nicht möglich. Das Update "
     L"wird abgebrochen"},
    {IDS_ERR_ERASE, 40028,
     L"Fehler beim Löschen der alten Firmware. Neue Daten können nicht geschrieben "
     L"werden. Das Update wird abgebrochen."},
    {IDS_WRITING, 40029, L"Firmware wird geschrieben, bitte warten..."},
    {IDS_ABORTED, 40030,
     L"Der Updatevorgang wurd auf Grund eines Fehlers abgebrochen. Bitte versuchen "
     L"Sie es erneut. Falls der Fehler weiterhin aufgetreten sollte, kontaktieren "
     L"Sie bitte den VELDRAMON Service"},
    {IDS_SUCCESS, 40032, L"Das Update der SERVIKA Software wurde erfolgreich durchgeführt!"},
    {IDS_SYSTEM_ERROR_CODE, 40036, L"Das System meldet Fehlercode 0x%08x-0x%08x"},
};

TEST(CompiledResources, StringTableHoldsEveryTextExactlyAndNoOther) {
    std::set<uint32_t> expectedIds;
    for (const ExpectedText& want : kTexts) {
        SCOPED_TRACE(testing::Message() << "text " << want.number);
        EXPECT_EQ(want.id, want.number) << "resource.h";
        EXPECT_EQ(sim::res::String(want.number), std::wstring(want.text));
        // Loaded the way the program loads every text.
        std::vector<wchar_t> buffer(2048, L'?');
        int length = LoadStringW(sim::res::ProgramInstance(), want.number, buffer.data(), 2048);
        EXPECT_EQ(std::wstring(buffer.data()), want.text);
        EXPECT_EQ(length, static_cast<int>(std::wcslen(want.text)));
        expectedIds.insert(want.number);
    }

    std::set<uint32_t> carriedIds;
    for (const sim::res::Resource& resource : sim::res::All()) {
        if (resource.type.number != 6) continue;
        uint32_t first = (resource.name.number - 1u) * 16;
        for (uint32_t id = first; id < first + 16; ++id) {
            if (sim::res::String(id)) carriedIds.insert(id);
        }
    }
    EXPECT_EQ(carriedIds, expectedIds);
}

// ---- The header picture -------------------------------------------------------------------

TEST(CompiledResources, HeaderPictureFormatAndKeyColouredBackground) {
    const std::vector<uint8_t>& data = DataOf(2, 121);
    ASSERT_GE(data.size(), 40u);
    // An information header without a file header, no colour table, rows padded to 1096 bytes.
    EXPECT_EQ(Le32(data, 0), 40u);
    EXPECT_EQ(data.size(), 40u + 1096u * 122u);

    auto dib = sim::res::DecodeBitmap(data);
    ASSERT_TRUE(dib);
    EXPECT_EQ(dib->width, 365);
    EXPECT_EQ(dib->height, 122) << "positive: rows stored bottom-up";
    EXPECT_EQ(dib->planes, 1);
    EXPECT_EQ(dib->bitCount, 24);
    EXPECT_EQ(dib->compression, 0u);
    EXPECT_TRUE(dib->sizeImage == 0 || dib->sizeImage == 1096u * 122u) << dib->sizeImage;
    EXPECT_EQ(dib->xPelsPerMeter, 2835);
    EXPECT_EQ(dib->yPelsPerMeter, 2835);
    EXPECT_EQ(dib->colorsUsed, 0u);

    for (auto [x, y] : {std::pair{0, 0}, {364, 0}, {0, 121}, {364, 121}}) {
        EXPECT_EQ(dib->At(x, y), kKeyColour) << "corner " << x << "," << y;
    }
    // A picture, not an empty key-coloured field: a good part of it is drawn.
    size_t drawn = std::count_if(dib->pixels.begin(), dib->pixels.end(),
                                 [](COLORREF pixel) { return pixel != kKeyColour; });
    EXPECT_GT(drawn, dib->pixels.size() / 5);
    EXPECT_LT(drawn, dib->pixels.size() * 4 / 5);
}

// ---- The icon -----------------------------------------------------------------------------

TEST(CompiledResources, IconGroupOfEight32BitImagesInOrder) {
    auto group = sim::res::ParseIconGroup(DataOf(14, 123));
    ASSERT_TRUE(group);
    EXPECT_EQ(group->reserved, 0);
    EXPECT_EQ(group->type, 1);
    const int sizes[] = {32, 16, 48, 32, 16, 48, 32, 16};
    ASSERT_EQ(group->entries.size(), std::size(sizes));
    std::set<uint16_t> imageIds;
    for (size_t i = 0; i < group->entries.size(); ++i) {
        const sim::res::IconEntry& entry = group->entries[i];
        SCOPED_TRACE(testing::Message() << "image " << i + 1);
        EXPECT_EQ(entry.width, sizes[i]);
        EXPECT_EQ(entry.height, sizes[i]);
        EXPECT_EQ(entry.colorCount, 0);
        EXPECT_EQ(entry.planes, 1);
        EXPECT_EQ(entry.bitCount, 32);
        imageIds.insert(entry.id);

        // The image it names: a 32-bit picture of that size (double height: colour and mask).
        const std::vector<uint8_t>& image = DataOf(3, entry.id);
        ASSERT_GE(image.size(), 40u);
        EXPECT_EQ(image.size(), entry.bytesInRes);
        EXPECT_EQ(Le32(image, 4), static_cast<uint32_t>(sizes[i]));
        EXPECT_EQ(Le32(image, 8), static_cast<uint32_t>(sizes[i] * 2));
        EXPECT_EQ(image[14], 32);
        size_t maskStride = (sizes[i] + 31) / 32 * 4;
        EXPECT_EQ(image.size(), 40u + sizes[i] * sizes[i] * 4u + maskStride * sizes[i]);
    }
    EXPECT_EQ(imageIds.size(), 8u) << "each entry names its own image";
}

// ---- Firmware image and manifest ----------------------------------------------------------

TEST(CompiledResources, FirmwareImageLength) {
    const std::vector<uint8_t>& image = DataOf(10, 119);
    EXPECT_EQ(image.size(), 11264u);
    EXPECT_EQ(image.size() % 16, 0u);
}

TEST(CompiledResources, ManifestAsksForTheInvokersRightsAndNothingElse) {
    const std::vector<uint8_t>& data = DataOf(24, 1);
    std::string manifest(data.begin(), data.end());
    EXPECT_NE(manifest.find("<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>"),
              std::string::npos)
        << manifest;
    for (const char* absent : {"dependency", "compatibility", "dpiAware", "dpiAwareness",
                               "assemblyIdentity", "Common-Controls"}) {
        EXPECT_EQ(manifest.find(absent), std::string::npos) << absent;
    }
}

}  // namespace
