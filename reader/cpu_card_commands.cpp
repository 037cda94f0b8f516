// Processor cards: ISO 14443-4 Type A (activation, command exchange, deselect),
// ISO 14443 Type B (request, ATTRIB, command exchange, halt) and the SAM slot.
// Command answers are passed back whole, the card's status word included: a card
// that reports an error has still answered, so the call succeeds.

#include "command_execution.h"
#include "drovik.h"

namespace {

using drovik::low_byte;
using drovik::Reply;
using drovik::RequestData;
using protocol::Command;

constexpr std::size_t kAtqbSize = 12;

// The command bytes of an exchange; the count is the low byte of the length. A
// command longer than a request can carry is refused with nothing sent.
RequestData &command_bytes(RequestData &request, const std::uint8_t *command,
                           std::int32_t command_length) {
    return request.bytes(command, static_cast<std::size_t>(low_byte(command_length)));
}

}  // namespace

extern "C" {

DROVIK_API int32_t DROVIK_CALL rf_typea_rst(int32_t address, int32_t mode, uint8_t *answer,
                                            uint8_t *length) {
    return drovik::run_command(address, Command::ActivateTypeA, RequestData().byte(mode),
                               Reply::variable(answer, length));
}

DROVIK_API int32_t DROVIK_CALL rf_cos_command(int32_t address, const uint8_t *command,
                                              int32_t command_length, uint8_t *answer,
                                              uint8_t *length) {
    RequestData request;
    return drovik::run_command(address, Command::TypeACommand,
                               command_bytes(request, command, command_length),
                               Reply::variable(answer, length));
}

DROVIK_API int32_t DROVIK_CALL rf_cl_deselect(int32_t address) {
    return drovik::run_command(address, Command::Deselect, RequestData());
}

DROVIK_API int32_t DROVIK_CALL rf_atqb(int32_t address, int32_t mode, uint8_t *atqb,
                                       uint8_t *length) {
    if (low_byte(mode) > 1) return 1;
    return drovik::run_command(address, Command::RequestB, RequestData().byte(mode),
                               Reply::fixed_count_first(atqb, length, kAtqbSize));
}

DROVIK_API int32_t DROVIK_CALL rf_attrib(int32_t address, uint32_t pupi, int32_t parameter) {
    return drovik::run_command(address, Command::Attrib, RequestData().le32(pupi).byte(parameter));
}

DROVIK_API int32_t DROVIK_CALL rf_typeb_cos(int32_t address, int32_t leading_byte,
                                            const uint8_t *command, int32_t command_length,
                                            uint8_t *answer, uint8_t *length) {
    RequestData request;
    request.byte(leading_byte);
    return drovik::run_command(address, Command::TypeBCommand,
                               command_bytes(request, command, command_length),
                               Reply::variable(answer, length));
}

DROVIK_API int32_t DROVIK_CALL rf_hltb(int32_t address, uint32_t pupi) {
    return drovik::run_command(address, Command::HaltB, RequestData().le32(pupi));
}

DROVIK_API int32_t DROVIK_CALL rf_init_sam(int32_t address, int32_t configuration) {
    return drovik::run_command(address, Command::SamConfigure, RequestData().byte(configuration));
}

DROVIK_API int32_t DROVIK_CALL rf_sam_rst(int32_t address, uint8_t *answer, uint8_t *length) {
    return drovik::run_command(address, Command::SamReset, RequestData(),
                               Reply::variable(answer, length));
}

DROVIK_API int32_t DROVIK_CALL rf_sam_cos(int32_t address, const uint8_t *command,
                                          int32_t command_length, uint8_t *answer,
                                          uint8_t *length) {
    RequestData request;
    return drovik::run_command(address, Command::SamCommand,
                               command_bytes(request, command, command_length),
                               Reply::variable(answer, length));
}

}  // extern "C"
