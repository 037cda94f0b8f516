#include "e2e_fixture.h"

#include "transport_environment.h"

namespace e2e {

const test_support::LoadedDrovik &drovik() {
    static const test_support::LoadedDrovik library(TILVANE_BIN_DIR);
    return library;
}

std::int32_t ReaderTest::connect(const std::vector<std::string> &cards, unsigned sim_baud,
                                 std::int32_t baud) {
    std::vector<std::string> arguments = {"--baud", std::to_string(sim_baud)};
    for (const auto &card : cards) {
        arguments.push_back("--card");
        arguments.push_back(card);
    }
    std::string error;
    if (!sim_.start(std::string(TILVANE_BIN_DIR) + "/reader-sim", arguments, error)) {
        ADD_FAILURE() << error;
        return -1;
    }
    if (!drovik().module().loaded()) {
        ADD_FAILURE() << drovik().module().error();
        return -1;
    }
    test_support::use_device(1, sim_.device());
    // Each rate the auto-baud search tries in vain costs one wait for a first byte.
    test_support::use_first_byte_wait(std::chrono::milliseconds(150));
    const std::int32_t result = DROVIK(rf_init_com)(1, baud);
    connected_ = result == 0;
    return result;
}

void ReaderTest::power_up(char protocol) {
    ASSERT_EQ(DROVIK(rf_antenna_sta)(0, 0), 0);
    ASSERT_EQ(DROVIK(rf_init_type)(0, protocol), 0);
    ASSERT_EQ(DROVIK(rf_antenna_sta)(0, 1), 0);
}

void ReaderTest::TearDown() {
    if (connected_) DROVIK(rf_ClosePort)();
    connected_ = false;
    sim_.stop();
}

}  // namespace e2e
