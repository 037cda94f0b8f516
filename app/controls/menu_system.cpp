#include "controls/menu_system.h"

namespace tilvane {

int OperatingSystemClass(const std::optional<WindowsVersion> &version) {
    if (!version) return 1;
    if (version->nt) {
        if (!version->details_known) return 1;
        if (version->major == 4) return 5;
        if (version->major == 5 && version->minor == 0) return 6;
        if (version->major == 5 && version->minor == 1) return 7;
        return 1;
    }
    if (!version->details_known) return 2;
    if (version->major < 4) return 0;
    if (version->major == 4 && version->minor == 10) return 3;
    if (version->major == 4 && version->minor == 90) return 4;
    return 2;
}

bool IsThemedSystem(int os_class, const std::optional<QString> &current_theme) {
    const bool classic =
        current_theme &&
        current_theme->endsWith(QStringLiteral("Windows Classic.theme"), Qt::CaseInsensitive);
    return os_class == 7 && !classic;
}

const MenuSystem &RunningMenuSystem() {
    static const MenuSystem system = [] {
        MenuSystem found;
        found.os_class = OperatingSystemClass(std::nullopt);
        found.themed = IsThemedSystem(found.os_class, std::nullopt);
        return found;
    }();
    return system;
}

}  // namespace tilvane
