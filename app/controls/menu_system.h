#pragma once

// What the menu needs to know of the system it runs on: which class of system it
// is, and whether that system draws with a visual theme. Only the class of
// systems that introduced themes (7) can be themed; everywhere else the menu
// takes its unthemed colours.

#include <QString>

#include <optional>

namespace tilvane {

// The version information of a Windows system.
struct WindowsVersion {
    bool nt = true;  // the NT family
    int major = 0;
    int minor = 0;
    bool details_known = true;
};

// 0 an old non-NT system (major below 4); 1 an NT system not listed below, or no
// version information at all; 2 another non-NT system of major 4 or more, or one
// without details; 3 and 4 the two late non-NT releases (4.10 and 4.90); 5 NT 4;
// 6 NT 5.0; 7 NT 5.1.
int OperatingSystemClass(const std::optional<WindowsVersion> &version);

// `current_theme` is the file name of the theme in use, when the system names
// one; the classic theme counts as no theme.
bool IsThemedSystem(int os_class, const std::optional<QString> &current_theme);

struct MenuSystem {
    int os_class = 1;
    bool themed = false;
};

// The running system, worked out once. This platform has no Windows version
// information and no theme setting of that kind, so it is class 1, unthemed.
const MenuSystem &RunningMenuSystem();

}  // namespace tilvane
