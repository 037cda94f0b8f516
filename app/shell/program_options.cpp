#include "shell/program_options.h"

#include <string_view>

namespace tilvane {

namespace {

constexpr std::string_view kHelp = R"(Usage: tilvane [--help] [--version]
The operator's application for a 13.56 MHz contactless card reader on a serial
port: finds, reads and writes Mifare Classic, Ultralight, ISO 14443-4, SAM,
AT88RF020, SR176, SRIX4K and ISO 15693 cards, one page per family.

Options:
  --help        show this text and exit
  --version     show the version and exit

The port (1 to 16) and the rate are chosen in the Setting dialog. Port n is the
device that the variable SELMEK_PORTn names, or a line "n=DEVICE" in
~/.config/selmek/ports.conf or /etc/selmek/ports.conf, else /dev/ttyS<n-1>.
The user opening it must be in the group dialout. A port that another program
holds does not open: the status band names that program where the system tells.

Files:
  ~/.config/Velomar/IORFCard.conf      the card family, the port and the rate
  ~/.local/share/Velomar/Tilvane/      the commands sent on the ISO14443-4 and
                                       SAM pages (cosbooks.j, samcosbooks.j)
  AppConfig.ini beside the program     the names shown (optional)
)";

}  // namespace

std::optional<int> AnswerProgramOptions(int argc, const char *const *argv, std::ostream &out) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            out << kHelp;
            return out.flush() ? 0 : 1;
        }
        if (argument == "--version") {
            out << "tilvane " TILVANE_VERSION "\n";
            return out.flush() ? 0 : 1;
        }
    }
    return std::nullopt;
}

}  // namespace tilvane
