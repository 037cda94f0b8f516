// The Windows libraries end to end: Drovik.dll, loaded from its directory as an
// application loads it, binds the Selmek.dll beside it, which opens a COM port
// that Wine maps to the simulator's pseudo-terminal (see wine_exchange.sh).
//
//   wine_exchange BIN_DIR PORT
//
// Connects at 9600 baud, reads the reader's model and closes the port. Prints the
// model; exits 0 when it is the simulator's, 1 otherwise.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "drovik.h"
#include "platform/module.h"
#include "virtual_reader.h"

int main(int argc, char **argv) {
    if (argc != 3) return 2;
    const auto module =
        platform::Module::load(platform::path_in(argv[1], platform::library_file_name("Drovik")));
    if (!module.loaded()) {
        std::fprintf(stderr, "%s\n", module.error().c_str());
        return 1;
    }
    const auto init_com = reinterpret_cast<decltype(&rf_init_com)>(module.resolve("rf_init_com"));
    const auto get_model = reinterpret_cast<decltype(&rf_get_model)>(module.resolve("rf_get_model"));
    const auto close_port =
        reinterpret_cast<decltype(&rf_ClosePort)>(module.resolve("rf_ClosePort"));
    if (init_com == nullptr || get_model == nullptr || close_port == nullptr) return 1;

    const int connected = init_com(std::atoi(argv[2]), 9600);
    if (connected != 0) {
        std::fprintf(stderr, "rf_init_com: %d\n", connected);
        return 1;
    }
    std::uint8_t model[2] = {};
    const int answered = get_model(0, model);
    close_port();
    std::printf("rf_get_model: %d, model %02X %02X\n", answered, model[0], model[1]);
    const auto &expected = sim::VirtualReader::kModel;
    return answered == 0 && model[0] == expected[0] && model[1] == expected[1] ? 0 : 1;
}
