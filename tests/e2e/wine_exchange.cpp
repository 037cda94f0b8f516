// The Windows libraries end to end: Drovik.dll, loaded from its directory as an
// application loads it, binds the Selmek.dll beside it, which opens a COM port
// that Wine maps to the simulator's pseudo-terminal (see wine_exchange.sh).
//
//   wine_exchange BIN_DIR PORT
//
// A port that does not exist fails with the system's own code, which the transport
// leaves for the library to read. Connects at 9600 baud and reads the reader's
// model; then, with the port at a
// rate the reader does not hear, an exchange must end in the transport's timeout,
// and back at 9600 the reader answers again. Prints what it saw; exits 0 when
// every step answered as it should, 1 otherwise.

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "drovik.h"
#include "platform/module.h"
#include "selmek.h"
#include "virtual_reader.h"

namespace {

template <typename Fn>
Fn entry(const platform::Module &module, const char *name) {
    return reinterpret_cast<Fn>(module.resolve(name));
}

bool is_the_simulators(const std::uint8_t (&model)[2]) {
    const auto &expected = sim::VirtualReader::kModel;
    return model[0] == expected[0] && model[1] == expected[1];
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 3) return 2;
    const std::string bin = argv[1];
    const auto drovik = platform::Module::load(platform::path_in(bin, "Drovik.dll"));
    // The copy Drovik bound: loading it again by the same path adds a reference.
    const auto selmek = platform::Module::load(platform::path_in(bin, "Selmek.dll"));
    if (!drovik.loaded() || !selmek.loaded()) {
        std::fprintf(stderr, "%s%s\n", drovik.error().c_str(), selmek.error().c_str());
        return 1;
    }
    const auto init_com = entry<decltype(&rf_init_com)>(drovik, "rf_init_com");
    const auto get_model = entry<decltype(&rf_get_model)>(drovik, "rf_get_model");
    const auto close_port = entry<decltype(&rf_ClosePort)>(drovik, "rf_ClosePort");
    const auto set_baud = entry<decltype(&SetCommBaud)>(selmek, "SetCommBaud");
    if (!init_com || !get_model || !close_port || !set_baud) return 1;

    const int no_port = init_com(16, 9600);
    std::printf("rf_init_com on COM16: %d\n", no_port);

    const int connected = init_com(std::atoi(argv[2]), 9600);
    std::printf("rf_init_com: %d\n", connected);
    if (connected != 0) return 1;

    std::uint8_t model[2] = {};
    const int answered = get_model(0, model);
    std::printf("rf_get_model: %d, model %02X %02X\n", answered, model[0], model[1]);

    const int moved = set_baud(19200);
    const int unheard = get_model(0, model);
    std::printf("at 19200 (SetCommBaud %d): rf_get_model %#x\n", moved, unheard);

    set_baud(9600);
    std::uint8_t again[2] = {};
    const int answered_again = get_model(0, again);
    std::printf("back at 9600: rf_get_model %d\n", answered_again);
    close_port();

    const bool good = no_port == ERROR_FILE_NOT_FOUND && answered == 0 && is_the_simulators(model) && moved == SELMEK_OK &&
                      unheard == SELMEK_ERR_TIMEOUT && answered_again == 0 &&
                      is_the_simulators(again);
    return good ? 0 : 1;
}
