#include "tests/app/support/fake_reader.h"

#include <cstdio>
#include <cstring>
#include <sstream>

namespace fake_reader {

namespace {

State g_state;

std::string Hex(const std::uint8_t *bytes, std::size_t count) {
    std::string text;
    char digits[3];
    for (std::size_t i = 0; i < count; ++i) {
        std::snprintf(digits, sizeof digits, "%02X", bytes[i]);
        text += digits;
    }
    return text;
}

// Records the call and returns its scripted result.
template <typename... Args>
std::int32_t Record(const char *name, Args... args) {
    std::ostringstream text;
    text << name << '(';
    [[maybe_unused]] const char *separator = "";
    ((text << separator << args, separator = ","), ...);
    text << ')';
    g_state.calls.push_back(text.str());
    auto &queue = g_state.results[name];
    if (queue.empty()) return 0;
    const std::int32_t result = queue.front();
    queue.pop_front();
    return result;
}

int32_t lib_ver(uint32_t *version) {
    const auto status = Record("lib_ver");
    if (status == 0) *version = g_state.version;
    return status;
}

int32_t rf_init_com(int32_t port, int32_t baud) {
    auto &queue = g_state.results["rf_init_com"];
    // Like the library: a port outside 1 to 16 is refused.
    if (queue.empty() && (port < 1 || port > 16)) queue.push_back(1);
    return Record("rf_init_com", port, baud);
}

int32_t rf_ClosePort() {
    return Record("rf_ClosePort");
}

int32_t rf_get_model(int32_t address, uint8_t *model) {
    const auto status = Record("rf_get_model", address);
    if (status == 0) std::memcpy(model, g_state.model.data(), g_state.model.size());
    return status;
}

int32_t rf_get_snr(int32_t address, uint8_t *serial) {
    const auto status = Record("rf_get_snr", address);
    if (status == 0) std::memcpy(serial, g_state.serial.data(), g_state.serial.size());
    return status;
}

int32_t rf_get_device_number(uint16_t *address) {
    const auto status = Record("rf_get_device_number");
    if (status == 0) *address = g_state.device_number;
    return status;
}

int32_t rf_init_device_number(int32_t address) {
    return Record("rf_init_device_number", address);
}

int32_t rf_beep(int32_t address, int32_t time) {
    return Record("rf_beep", address, time);
}

int32_t rf_light(int32_t address, int32_t colour) {
    return Record("rf_light", address, colour);
}

int32_t rf_antenna_sta(int32_t address, int32_t state) {
    return Record("rf_antenna_sta", address, state);
}

int32_t rf_init_type(int32_t address, int32_t type) {
    return Record("rf_init_type", address, type);
}

int32_t rf_request(int32_t address, int32_t mode, uint8_t *atqa) {
    const auto status = Record("rf_request", address, mode);
    if (status == 0) std::memcpy(atqa, g_state.card_type.data(), 2);
    return status;
}

int32_t rf_anticoll(int32_t address, int32_t uid_size, uint8_t *uid, uint8_t *length) {
    const auto status = Record("rf_anticoll", address, uid_size);
    if (status == 0) {
        *length = g_state.uid_length;
        std::memcpy(uid, g_state.uid.data(), g_state.uid.size());
    }
    return status;
}

int32_t rf_select(int32_t address, const uint8_t *uid, int32_t uid_length, uint8_t *sak) {
    const auto status =
        Record("rf_select", address, Hex(uid, static_cast<std::size_t>(uid_length)), uid_length);
    if (status == 0) *sak = g_state.select_acknowledge;
    return status;
}

int32_t rf_M1_authentication2(int32_t address, int32_t code, int32_t block, const uint8_t *key) {
    char code_text[8];
    std::snprintf(code_text, sizeof code_text, "0x%02X", code);
    return Record("rf_M1_authentication2", address, code_text, block, Hex(key, 6));
}

int32_t rf_M1_read(int32_t address, int32_t block, uint8_t *data, uint8_t *length) {
    const auto status = Record("rf_M1_read", address, block);
    const auto found = g_state.block_lengths.find(block);
    const std::uint8_t count = found != g_state.block_lengths.end() ? found->second : 16;
    *length = count;
    if (status == 0) {
        Bytes bytes = g_state.blocks.count(block) ? g_state.blocks[block] : Bytes(16, 0);
        bytes.resize(count);
        std::memcpy(data, bytes.data(), count);
    }
    return status;
}

int32_t rf_M1_write(int32_t address, int32_t block, const uint8_t *data) {
    const auto status = Record("rf_M1_write", address, block, Hex(data, 16));
    if (status == 0) g_state.blocks[block] = Bytes(data, data + 16);
    return status;
}

int32_t rf_M1_initval(int32_t address, int32_t block, int32_t value) {
    return Record("rf_M1_initval", address, block, value);
}

int32_t rf_M1_readval(int32_t address, int32_t block, int32_t *value) {
    const auto status = Record("rf_M1_readval", address, block);
    if (status == 0) *value = g_state.value;
    return status;
}

int32_t rf_M1_decrement(int32_t address, int32_t block, int32_t value) {
    return Record("rf_M1_decrement", address, block, value);
}

int32_t rf_M1_increment(int32_t address, int32_t block, int32_t value) {
    return Record("rf_M1_increment", address, block, value);
}

}  // namespace

State &state() {
    return g_state;
}

void reset() {
    g_state = State{};
}

void results(const std::string &function, std::initializer_list<std::int32_t> statuses) {
    auto &queue = g_state.results[function];
    queue.insert(queue.end(), statuses.begin(), statuses.end());
}

tilvane::ReaderApi api() {
    tilvane::ReaderApi table;
    table.lib_ver = lib_ver;
    table.rf_init_com = rf_init_com;
    table.rf_ClosePort = rf_ClosePort;
    table.rf_get_model = rf_get_model;
    table.rf_get_snr = rf_get_snr;
    table.rf_get_device_number = rf_get_device_number;
    table.rf_init_device_number = rf_init_device_number;
    table.rf_beep = rf_beep;
    table.rf_light = rf_light;
    table.rf_antenna_sta = rf_antenna_sta;
    table.rf_init_type = rf_init_type;
    table.rf_request = rf_request;
    table.rf_anticoll = rf_anticoll;
    table.rf_select = rf_select;
    table.rf_M1_authentication2 = rf_M1_authentication2;
    table.rf_M1_read = rf_M1_read;
    table.rf_M1_write = rf_M1_write;
    table.rf_M1_initval = rf_M1_initval;
    table.rf_M1_readval = rf_M1_readval;
    table.rf_M1_decrement = rf_M1_decrement;
    table.rf_M1_increment = rf_M1_increment;
    return table;
}

const std::vector<std::string> &calls() {
    return g_state.calls;
}

std::vector<std::string> calls_of(const std::string &function) {
    std::vector<std::string> found;
    for (const auto &call : g_state.calls) {
        if (call.compare(0, function.size() + 1, function + "(") == 0) found.push_back(call);
    }
    return found;
}

}  // namespace fake_reader
