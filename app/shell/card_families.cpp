#include "shell/card_families.h"

namespace tilvane {

int PageTemplateFor(int family, int screen_width) {
    struct Templates {
        int at640, at800, other;
    };
    static constexpr std::array<Templates, kCardFamilyCount> kTemplates = {{
        {143, 143, 143},
        {103, 102, 104},
        {134, 132, 133},
        {144, 144, 144},
        {145, 145, 145},
        {139, 138, 136},
        {146, 146, 146},
        {142, 140, 141},
    }};
    if (!IsCardFamily(family)) return 0;
    const Templates &t = kTemplates[static_cast<std::size_t>(family)];
    if (screen_width == 640) return t.at640;
    if (screen_width == 800) return t.at800;
    return t.other;
}

}  // namespace tilvane
