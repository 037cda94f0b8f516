// Processor cards: ISO 14443-4 Type A (activation, command exchange, deselect),
// ISO 14443 Type B (request, ATTRIB, command exchange, halt) and the SAM slot.
// Command answers are passed back whole, the card's status word included: a card
// that reports an error has still answered, so the call succeeds.

#include "drovik.h"
#include "reader/command_execution.h"

namespace {

using drovik::low_byte;
using drovik::Reply;
using drovik::RequestData;

constexpr std::uint8_t kInitSam = 0x07;
constexpr std::uint8_t kSamReset = 0x08;
constexpr std::uint8_t kSamCommand = 0x09;
constexpr std::uint8_t kTypeAReset = 0x1B;
constexpr std::uint8_t kTypeACommand = 0x1C;
constexpr std::uint8_t kTypeBRequest = 0x1D;
constexpr std::uint8_t kAttrib = 0x1E;
constexpr std::uint8_t kTypeBCommand = 0x1F;
constexpr std::uint8_t kTypeBHalt = 0x20;
constexpr std::uint8_t kDeselect = 0x28;

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
    return drovik::run_command(address, kTypeAReset, RequestData().byte(mode),
                               Reply::variable(answer, length));
}

DROVIK_API int32_t DROVIK_CALL rf_cos_command(int32_t address, const uint8_t *command,
                                              int32_t command_length, uint8_t *answer,
                                              uint8_t *length) {
    RequestData request;
    return drovik::run_command(address, kTypeACommand,
                               command_bytes(request, command, command_length),
                               Reply::variable(answer, length));
}

DROVIK_API int32_t DROVIK_CALL rf_cl_deselect(int32_t address) {
    return drovik::run_command(address, kDeselect, RequestData());
}

DROVIK_API int32_t DROVIK_CALL rf_atqb(int32_t address, int32_t mode, uint8_t *atqb,
                                       uint8_t *length) {
    if (low_byte(mode) > 1) return 1;
    return drovik::run_command(address, kTypeBRequest, RequestData().byte(mode),
                               Reply::fixed_count_first(atqb, length, kAtqbSize));
}

DROVIK_API int32_t DROVIK_CALL rf_attrib(int32_t address, uint32_t pupi, int32_t parameter) {
    return drovik::run_command(address, kAttrib, RequestData().le32(pupi).byte(parameter));
}

DROVIK_API int32_t DROVIK_CALL rf_typeb_cos(int32_t address, int32_t leading_byte,
                                            const uint8_t *command, int32_t command_length,
                                            uint8_t *answer, uint8_t *length) {
    RequestData request;
    request.byte(leading_byte);
    return drovik::run_command(address, kTypeBCommand,
                               command_bytes(request, command, command_length),
                               Reply::variable(answer, length));
}

DROVIK_API int32_t DROVIK_CALL rf_hltb(int32_t address, uint32_t pupi) {
    return drovik::run_command(address, kTypeBHalt, RequestData().le32(pupi));
}

DROVIK_API int32_t DROVIK_CALL rf_init_sam(int32_t address, int32_t configuration) {
    return drovik::run_command(address, kInitSam, RequestData().byte(configuration));
}

DROVIK_API int32_t DROVIK_CALL rf_sam_rst(int32_t address, uint8_t *answer, uint8_t *length) {
    return drovik::run_command(address, kSamReset, RequestData(), Reply::variable(answer, length));
}

DROVIK_API int32_t DROVIK_CALL rf_sam_cos(int32_t address, const uint8_t *command,
                                          int32_t command_length, uint8_t *answer,
                                          uint8_t *length) {
    RequestData request;
    return drovik::run_command(address, kSamCommand,
                               command_bytes(request, command, command_length),
                               Reply::variable(answer, length));
}

}  // extern "C"
