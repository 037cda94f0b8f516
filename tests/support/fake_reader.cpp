#include "fake_reader.h"

#include <algorithm>
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

// The answer of a call: the next scripted one of its function, else what the
// memory holds for its unit, else the function's default, else `natural_size`
// zero bytes.
Bytes Answer(const std::string &function, int unit = 0, std::size_t natural_size = 0) {
    auto &queue = g_state.answers[function];
    if (!queue.empty()) {
        Bytes answer = queue.front();
        queue.pop_front();
        return answer;
    }
    const auto memory = g_state.memory.find(function);
    if (memory != g_state.memory.end()) {
        const auto found = memory->second.find(unit);
        if (found != memory->second.end()) return found->second;
    }
    const auto fallback = g_state.defaults.find(function);
    if (fallback != g_state.defaults.end()) return fallback->second;
    return Bytes(natural_size, 0);
}

// A variable-size answer: its size goes to *length whatever the status, like
// the library's "count first"; the bytes only on success.
std::int32_t Reply(std::int32_t status, const Bytes &answer, uint8_t *data, uint8_t *length) {
    *length = static_cast<std::uint8_t>(answer.size());
    if (status == 0) std::copy(answer.begin(), answer.end(), data);
    return status;
}

// A fixed-size output: the answer's first `size` bytes, on success.
std::int32_t Fill(std::int32_t status, const Bytes &answer, uint8_t *data, std::size_t size) {
    if (status == 0) std::copy_n(answer.begin(), std::min(size, answer.size()), data);
    return status;
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
    if (status == 0) std::copy(g_state.model.begin(), g_state.model.end(), model);
    return status;
}

int32_t rf_get_snr(int32_t address, uint8_t *serial) {
    const auto status = Record("rf_get_snr", address);
    if (status == 0) std::copy(g_state.serial.begin(), g_state.serial.end(), serial);
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
        std::copy(g_state.uid.begin(), g_state.uid.end(), uid);
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

// DES answers come from `answers` too, cut or zero-padded to the length.
int32_t Des(const char *name, uint8_t *output, const uint8_t *input, int32_t length,
            const uint8_t *key, int32_t key_length) {
    const auto status = Record(name, Hex(input, static_cast<std::size_t>(length)), length,
                               Hex(key, static_cast<std::size_t>(key_length)), key_length);
    Bytes answer = Answer(name);
    answer.resize(static_cast<std::size_t>(length));
    return Fill(status, answer, output, answer.size());
}

int32_t des_encrypt(uint8_t *output, const uint8_t *input, int32_t length, const uint8_t *key,
                    int32_t key_length) {
    return Des("des_encrypt", output, input, length, key, key_length);
}

int32_t des_decrypt(uint8_t *output, const uint8_t *input, int32_t length, const uint8_t *key,
                    int32_t key_length) {
    return Des("des_decrypt", output, input, length, key, key_length);
}

int32_t rf_init_sam(int32_t address, int32_t configuration) {
    return Record("rf_init_sam", address, configuration);
}

int32_t rf_sam_rst(int32_t address, uint8_t *answer, uint8_t *length) {
    return Reply(Record("rf_sam_rst", address), Answer("rf_sam_rst"), answer, length);
}

int32_t rf_sam_cos(int32_t address, const uint8_t *command, int32_t command_length, uint8_t *answer,
                   uint8_t *length) {
    const auto status =
        Record("rf_sam_cos", address, Hex(command, static_cast<std::size_t>(command_length & 0xFF)),
               command_length);
    return Reply(status, Answer("rf_sam_cos"), answer, length);
}

int32_t rf_halt(int32_t address) {
    return Record("rf_halt", address);
}

int32_t rf_download_key(int32_t address, int32_t key_type, const uint8_t *keys) {
    return Record("rf_download_key", address, key_type, Hex(keys, 96));
}

int32_t rf_M1_authentication1(int32_t address, int32_t key_type, int32_t block) {
    return Record("rf_M1_authentication1", address, key_type, block);
}

int32_t rf_M1_restore(int32_t address, int32_t block) {
    return Record("rf_M1_restore", address, block);
}

int32_t rf_M1_transfer(int32_t address, int32_t block) {
    return Record("rf_M1_transfer", address, block);
}

int32_t rf_typea_rst(int32_t address, int32_t mode, uint8_t *answer, uint8_t *length) {
    return Reply(Record("rf_typea_rst", address, mode), Answer("rf_typea_rst"), answer, length);
}

int32_t rf_cos_command(int32_t address, const uint8_t *command, int32_t command_length,
                       uint8_t *answer, uint8_t *length) {
    const auto status =
        Record("rf_cos_command", address,
               Hex(command, static_cast<std::size_t>(command_length & 0xFF)), command_length);
    return Reply(status, Answer("rf_cos_command"), answer, length);
}

int32_t rf_atqb(int32_t address, int32_t mode, uint8_t *atqb, uint8_t *length) {
    return Reply(Record("rf_atqb", address, mode), Answer("rf_atqb"), atqb, length);
}

int32_t rf_attrib(int32_t address, uint32_t pupi, int32_t parameter) {
    return Record("rf_attrib", address, pupi, parameter);
}

int32_t rf_typeb_cos(int32_t address, int32_t leading_byte, const uint8_t *command,
                     int32_t command_length, uint8_t *answer, uint8_t *length) {
    const auto status =
        Record("rf_typeb_cos", address, leading_byte,
               Hex(command, static_cast<std::size_t>(command_length & 0xFF)), command_length);
    return Reply(status, Answer("rf_typeb_cos"), answer, length);
}

int32_t rf_hltb(int32_t address, uint32_t pupi) {
    return Record("rf_hltb", address, pupi);
}

int32_t rf_at020_check(int32_t address, const uint8_t *password) {
    return Record("rf_at020_check", address, Hex(password, 8));
}

int32_t rf_at020_read(int32_t address, int32_t page, uint8_t *data, uint8_t *length) {
    return Reply(Record("rf_at020_read", address, page), Answer("rf_at020_read", page, 8), data,
                 length);
}

int32_t rf_at020_write(int32_t address, int32_t page, const uint8_t *data) {
    return Record("rf_at020_write", address, page, Hex(data, 8));
}

int32_t rf_at020_lock(int32_t address, const uint8_t *lock) {
    return Record("rf_at020_lock", address, Hex(lock, 4));
}

int32_t rf_at020_count(int32_t address, const uint8_t *signature) {
    return Record("rf_at020_count", address, Hex(signature, 6));
}

int32_t rf_at020_deselect(int32_t address) {
    return Record("rf_at020_deselect", address);
}

int32_t rf_cl_deselect(int32_t address) {
    return Record("rf_cl_deselect", address);
}

void rf_free(void *) {
    Record("rf_free");
}

int32_t rf_GetErrorMessage() {
    return Record("rf_GetErrorMessage");
}

int32_t rf_st_select(int32_t address, uint8_t *chip_id) {
    return Fill(Record("rf_st_select", address), Answer("rf_st_select"), chip_id, 1);
}

int32_t rf_st_completion(int32_t address) {
    return Record("rf_st_completion", address);
}

int32_t rf_sr176_readblock(int32_t address, int32_t block, uint8_t *data, uint8_t *length) {
    return Reply(Record("rf_sr176_readblock", address, block),
                 Answer("rf_sr176_readblock", block, 2), data, length);
}

int32_t rf_sr176_writeblock(int32_t address, int32_t block, const uint8_t *data) {
    return Record("rf_sr176_writeblock", address, block, Hex(data, 2));
}

int32_t rf_sr176_protectblock(int32_t address, int32_t lock) {
    return Record("rf_sr176_protectblock", address, lock);
}

int32_t rf_srix4k_readblock(int32_t address, int32_t block, uint8_t *data, uint8_t *length) {
    return Reply(Record("rf_srix4k_readblock", address, block),
                 Answer("rf_srix4k_readblock", block, 4), data, length);
}

int32_t rf_srix4k_writeblock(int32_t address, int32_t block, const uint8_t *data) {
    return Record("rf_srix4k_writeblock", address, block, Hex(data, 4));
}

int32_t rf_srix4k_authenticate(int32_t address, const uint8_t *challenge, uint8_t *answer,
                               uint8_t *length) {
    return Reply(Record("rf_srix4k_authenticate", address, Hex(challenge, 6)),
                 Answer("rf_srix4k_authenticate"), answer, length);
}

int32_t rf_srix4k_getuid(int32_t address, uint8_t *uid, uint8_t *length) {
    return Reply(Record("rf_srix4k_getuid", address), Answer("rf_srix4k_getuid"), uid, length);
}

int32_t rf_ul_select(int32_t address, uint8_t *uid, uint8_t *length) {
    return Reply(Record("rf_ul_select", address), Answer("rf_ul_select"), uid, length);
}

int32_t rf_ul_write(int32_t address, int32_t page, const uint8_t *data) {
    return Record("rf_ul_write", address, page, Hex(data, 4));
}

int32_t rf_srix4k_writelockreg(int32_t address, int32_t value) {
    return Record("rf_srix4k_writelockreg", address, value);
}

int32_t ISO15693_Inventory(int32_t address, uint8_t *data, uint8_t *length) {
    return Reply(Record("ISO15693_Inventory", address), Answer("ISO15693_Inventory"), data, length);
}

int32_t ISO15693_Stay_Quiet(int32_t address, const uint8_t *uid) {
    return Record("ISO15693_Stay_Quiet", address, Hex(uid, 8));
}

int32_t ISO15693_Select(int32_t address, const uint8_t *uid) {
    return Record("ISO15693_Select", address, Hex(uid, 8));
}

int32_t ISO15693_Reset_To_Ready(int32_t address, int32_t flags, const uint8_t *uid) {
    return Record("ISO15693_Reset_To_Ready", address, flags, Hex(uid, 8));
}

int32_t ISO15693_Read(int32_t address, int32_t flags, const uint8_t *uid, int32_t first_block,
                      int32_t block_count, uint8_t *data, uint8_t *length) {
    const auto status =
        Record("ISO15693_Read", address, flags, Hex(uid, 8), first_block, block_count);
    const Bytes answer =
        Answer("ISO15693_Read", first_block, 4 * static_cast<std::size_t>(block_count & 0xFF));
    return Reply(status, answer, data, length);
}

int32_t ISO15693_Write(int32_t address, int32_t flags, const uint8_t *uid, int32_t block,
                       const uint8_t *data) {
    return Record("ISO15693_Write", address, flags, Hex(uid, 8), block, Hex(data, 4));
}

int32_t ISO15693_Lock_Block(int32_t address, int32_t flags, const uint8_t *uid, int32_t block) {
    return Record("ISO15693_Lock_Block", address, flags, Hex(uid, 8), block);
}

int32_t ISO15693_Write_AFI(int32_t address, int32_t flags, const uint8_t *uid, int32_t afi) {
    return Record("ISO15693_Write_AFI", address, flags, Hex(uid, 8), afi);
}

int32_t ISO15693_Lock_AFI(int32_t address, int32_t flags, const uint8_t *uid) {
    return Record("ISO15693_Lock_AFI", address, flags, Hex(uid, 8));
}

int32_t ISO15693_Write_DSFID(int32_t address, int32_t flags, const uint8_t *uid, int32_t dsfid) {
    return Record("ISO15693_Write_DSFID", address, flags, Hex(uid, 8), dsfid);
}

int32_t ISO15693_Lock_DSFID(int32_t address, int32_t flags, const uint8_t *uid) {
    return Record("ISO15693_Lock_DSFID", address, flags, Hex(uid, 8));
}

int32_t ISO15693_Get_System_Information(int32_t address, int32_t flags, const uint8_t *uid,
                                        uint8_t *data, uint8_t *length) {
    const auto status = Record("ISO15693_Get_System_Information", address, flags, Hex(uid, 8));
    return Reply(status, Answer("ISO15693_Get_System_Information"), data, length);
}

int32_t ISO15693_Get_Block_Security(int32_t address, int32_t flags, const uint8_t *uid,
                                    int32_t first_block, int32_t block_count, uint8_t *data,
                                    uint8_t *length) {
    const auto status = Record("ISO15693_Get_Block_Security", address, flags, Hex(uid, 8),
                               first_block, block_count);
    const Bytes answer = Answer("ISO15693_Get_Block_Security", first_block,
                                static_cast<std::size_t>(block_count & 0xFF));
    return Reply(status, answer, data, length);
}

// The exports the application has no page for.
int32_t rf_request_080(int32_t address, int32_t first, int32_t second, uint8_t *data,
                       uint8_t *length) {
    const auto status = Record("rf_request_080", address, first, second);
    return Reply(status, Answer("rf_request_080", 0, 8), data, length);
}

int32_t rf_display(int32_t address, int32_t mode, int32_t point, const uint8_t *digits) {
    return Record("rf_display", address, mode, point, Hex(digits, 8));
}

int32_t rf_flash_write(int32_t address, int32_t page, int32_t offset, int32_t count,
                       const uint8_t *data) {
    return Record("rf_flash_write", address, page, offset,
                  Hex(data, static_cast<std::size_t>(std::max(count, 0))));
}

int32_t rf_flash_read(int32_t address, int32_t page, int32_t offset, int32_t count,
                      uint8_t *data) {
    const auto status = Record("rf_flash_read", address, page, offset, count);
    return Fill(status, Answer("rf_flash_read", page, static_cast<std::size_t>(std::max(count, 0))),
                data, static_cast<std::size_t>(std::max(count, 0)));
}

int32_t rf_getlockcardinfo(int32_t address, int32_t mode, uint8_t *uid, uint8_t *length,
                           uint8_t *atqa) {
    const auto status = Record("rf_getlockcardinfo", address, mode);
    if (status == 0) std::memcpy(atqa, g_state.card_type.data(), 2);
    return Reply(status, Answer("rf_getlockcardinfo"), uid, length);
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

binding::ReaderApi api() {
    // Every export has its fake: one missing here would not compile (or link).
    binding::ReaderApi table;
#define FAKE_READER_ENTRY(ordinal, name, ...) table.name = name;
    DROVIK_EXPORTS(FAKE_READER_ENTRY)
#undef FAKE_READER_ENTRY
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
