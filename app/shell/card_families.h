#pragma once

// The eight card families: their menu commands, names and page identities, in
// toolbar order (entry i is family index i).

#include <array>

namespace tilvane {

enum CardFamily : int {
    kUltralight = 0,
    kMifareStd = 1,
    kAt88rf020 = 2,
    kSr176 = 3,
    kSrix4k = 4,
    kMifarePro = 5,
    kIso15693 = 6,
    kSam = 7,
};

inline constexpr int kCardFamilyCount = 8;

struct CardFamilyInfo {
    int command_id;           // the menu command of the family
    const char *menu_text;    // its text in the card menu
    const char *name;         // shown in the title bar and on the toolbar
    const char *page_name;    // objectName of the family's page
    const char *action_name;  // objectName of the family's command
    const char *icon;         // resource path of the toolbar icon
};

inline constexpr std::array<CardFamilyInfo, kCardFamilyCount> kCardFamilies = {{
    {32787, "Ultra light", "Ultra light", "UltralightPage", "actionUltralight",
     ":/icons/ultralight.svg"},
    {32774, "Mifare Std", "MifareStd", "MifareClassicPage", "actionMifareStd",
     ":/icons/mifare_std.svg"},
    {32776, "AT88RF020", "AT88RF020", "At88rf020Page", "actionAt88rf020", ":/icons/at88rf020.svg"},
    {32788, "SR176", "SR176", "Sr176Page", "actionSr176", ":/icons/sr176.svg"},
    {32789, "SRIX4K", "SRIX4K", "Srix4kPage", "actionSrix4k", ":/icons/srix4k.svg"},
    {32786, "ISO14443-4", "MifarePro", "Iso14443Part4Page", "actionIso14443Part4",
     ":/icons/iso14443_4.svg"},
    {32790, "ISO15693", "ISO15693", "Iso15693Page", "actionIso15693", ":/icons/iso15693.svg"},
    {32780, "SAM", "SAM", "SamPage", "actionSam", ":/icons/sam.svg"},
}};

inline bool IsCardFamily(long long index) {
    return index >= 0 && index < kCardFamilyCount;
}

// Dialog templates of each family's page by screen width (exactly 640, exactly
// 800, any other): the compact templates of some pages differ in size and texts.
int PageTemplateFor(int family, int screen_width);

}  // namespace tilvane
