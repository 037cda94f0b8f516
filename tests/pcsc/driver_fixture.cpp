#include "driver_fixture.h"

#include <thread>

#include "platform/module.h"
#include "test_bytes.h"

namespace pcsc_test {

Bytes hex(const std::string &text) { return bytes_of(text); }

std::string hex(const Bytes &bytes) { return hex_of(bytes); }

const Driver &driver() {
    static platform::Module module =
        platform::Module::load(std::string(TILVANE_BIN_DIR) + "/libifd-tilvane.so");
    static const Driver loaded = [] {
        Driver d;
        if (!module.loaded()) {
            ADD_FAILURE() << module.error();
            return d;
        }
        const auto bind = [](auto &entry, const char *name) {
            entry =
                reinterpret_cast<std::remove_reference_t<decltype(entry)>>(module.resolve(name));
            if (entry == nullptr) ADD_FAILURE() << "the driver lacks " << name;
        };
        bind(d.create_channel_by_name, "IFDHCreateChannelByName");
        bind(d.create_channel, "IFDHCreateChannel");
        bind(d.close_channel, "IFDHCloseChannel");
        bind(d.get_capabilities, "IFDHGetCapabilities");
        bind(d.set_protocol_parameters, "IFDHSetProtocolParameters");
        bind(d.power_icc, "IFDHPowerICC");
        bind(d.transmit_to_icc, "IFDHTransmitToICC");
        bind(d.icc_presence, "IFDHICCPresence");
        bind(d.control, "IFDHControl");
        return d;
    }();
    return loaded;
}

SimulatedReader::~SimulatedReader() {
    for (int slot = 0; slot < 2; ++slot) {
        if (open_[slot]) close(slot);
    }
    sim_.stop();
}

bool SimulatedReader::start_sim(const std::vector<std::string> &cards,
                                const std::vector<std::string> &options) {
    std::vector<std::string> arguments = {"--baud", "115200"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    for (const std::string &card : cards) {
        arguments.push_back("--card");
        arguments.push_back(card);
    }
    std::string error;
    if (!sim_.start(std::string(TILVANE_BIN_DIR) + "/reader-sim", arguments, error)) {
        ADD_FAILURE() << "reader-sim: " << error;
        return false;
    }
    // An empty field: the simulator's default cards taken out.
    if (cards.empty() && sim_.command("remove all").rfind("ok", 0) != 0) {
        ADD_FAILURE() << "reader-sim did not empty its field";
        return false;
    }
    return true;
}

RESPONSECODE SimulatedReader::open(int slot, const std::string &suffix) {
    return open_named(slot, sim_.device() + suffix);
}

RESPONSECODE SimulatedReader::open_named(int slot, const std::string &device_name) {
    std::string name = device_name;
    const RESPONSECODE result = driver().create_channel_by_name(lun(slot), name.data());
    if (result == IFD_SUCCESS) open_[slot] = true;
    return result;
}

RESPONSECODE SimulatedReader::close(int slot) {
    open_[slot] = false;
    return driver().close_channel(lun(slot));
}

bool SimulatedReader::start(const std::vector<std::string> &cards, const std::string &suffix) {
    if (!start_sim(cards)) return false;
    for (int slot = 0; slot < 2; ++slot) {
        if (open(slot, suffix) != IFD_SUCCESS) {
            ADD_FAILURE() << "slot " << slot << " did not open on " << device() << suffix;
            return false;
        }
    }
    return true;
}

RESPONSECODE SimulatedReader::presence(int slot) { return driver().icc_presence(lun(slot)); }

bool SimulatedReader::await_presence(int slot, RESPONSECODE expected,
                                     std::chrono::milliseconds wait) {
    using WaitForEvent = RESPONSECODE (*)(DWORD, int);
    WaitForEvent wait_for_event = nullptr;
    DWORD length = sizeof wait_for_event;
    if (slot == 0 &&
        driver().get_capabilities(lun(0), TAG_IFD_POLLING_THREAD_WITH_TIMEOUT, &length,
                                  reinterpret_cast<PUCHAR>(&wait_for_event)) != IFD_SUCCESS) {
        ADD_FAILURE() << "no event wait for the field slot";
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (true) {
        if (presence(slot) == expected) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        if (wait_for_event != nullptr) {
            wait_for_event(lun(0), 200);
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
}

Bytes SimulatedReader::power(int slot, RESPONSECODE &result, DWORD action) {
    UCHAR atr[MAX_ATR_SIZE] = {};
    DWORD length = sizeof atr;
    result = driver().power_icc(lun(slot), action, atr, &length);
    return Bytes(atr, atr + length);
}

Bytes SimulatedReader::insert_and_power(int slot) {
    if (!await_presence(slot, IFD_ICC_PRESENT)) {
        ADD_FAILURE() << "no card in slot " << slot;
        return {};
    }
    RESPONSECODE result = 0;
    Bytes atr = power(slot, result);
    if (result != IFD_SUCCESS) ADD_FAILURE() << "power-up of slot " << slot << ": " << result;
    return atr;
}

Bytes SimulatedReader::transmit(int slot, const Bytes &apdu, RESPONSECODE &result) {
    SCARD_IO_HEADER header{SCARD_PROTOCOL_T1, 0};
    SCARD_IO_HEADER received{0, 0};
    Bytes answer(MAX_BUFFER_SIZE_EXTENDED);
    DWORD length = static_cast<DWORD>(answer.size());
    Bytes command = apdu;
    result = driver().transmit_to_icc(lun(slot), header, command.data(),
                                      static_cast<DWORD>(command.size()), answer.data(), &length,
                                      &received);
    answer.resize(length);
    return answer;
}

std::string SimulatedReader::exchange(int slot, const std::string &apdu_hex) {
    RESPONSECODE result = 0;
    const Bytes answer = transmit(slot, hex(apdu_hex), result);
    if (result != IFD_SUCCESS) {
        ADD_FAILURE() << apdu_hex << ": the driver returned " << result;
        return "";
    }
    return hex(answer);
}

}  // namespace pcsc_test
