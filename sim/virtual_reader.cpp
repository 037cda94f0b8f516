#include "virtual_reader.h"

#include <algorithm>
#include <utility>

#include "protocol/baud_rates.h"
#include "protocol/frame.h"
#include "sim/wire_frame.h"

namespace sim {

VirtualReader::VirtualReader(std::vector<std::unique_ptr<Card>> cards, unsigned baud_rate)
    : cards_(std::move(cards)),
      baud_rate_(protocol::baud_code(baud_rate) != 0
                     ? baud_rate
                     : static_cast<unsigned>(protocol::kBaudRates[0].rate)),
      flash_(kFlashPages, Bytes(kFlashPageSize, 0xFF)) {}

VirtualReader::~VirtualReader() = default;

void VirtualReader::insert_card(std::unique_ptr<Card> card) {
    if (card) cards_.push_back(std::move(card));
}

std::unique_ptr<Card> VirtualReader::remove_card(const Card *card) {
    const auto found = std::find_if(cards_.begin(), cards_.end(),
                                    [card](const auto &held) { return held.get() == card; });
    if (found == cards_.end()) return nullptr;
    std::unique_ptr<Card> taken = std::move(*found);
    cards_.erase(found);
    return taken;
}

std::optional<Bytes> VirtualReader::handle(ByteView wire) {
    const auto request = decode_request(wire);
    if (!request) return std::nullopt;
    if (request->address != protocol::kBroadcastAddress && request->address != address_) {
        return std::nullopt;
    }

    Reply reply = request->check_ok ? execute(request->code, request->data)
                                    : Reply::fail(ReaderStatus::BadCheck);
    if (reply.data.size() > protocol::kMaxResponseData)
        reply = Reply::fail(ReaderStatus::AnswerTooLong);
    if (!reply.succeeded()) reply.data.clear();
    return encode_response(address_, request->code, status_byte(reply.status), reply.data);
}

// Every code the reader knows goes to the handler of its family by name; any
// other code is unknown to the reader.
Reply VirtualReader::execute(std::uint8_t code, ByteView data) {
    const auto no_data = [&data](Bytes answer) {
        return data.empty() ? Reply::ok(std::move(answer)) : Reply::fail(ReaderStatus::BadLength);
    };
    const auto command = static_cast<Command>(code);
    switch (command) {
        case Command::SetBaud:
            return set_baud_rate(data);
        case Command::SetAddress:
            return set_address(data);
        case Command::GetAddress:
            return no_data({});
        case Command::GetModel:
            return no_data(Bytes(kModel.begin(), kModel.end()));
        case Command::GetSerialNumber:
            return no_data(Bytes(kSerialNumber.begin(), kSerialNumber.end()));
        case Command::Beep:
            return beep(data);
        case Command::Light:
            return set_light(data);
        case Command::Display:
            return show_display(data);
        case Command::FlashRead:
            return read_flash(data);
        case Command::FlashWrite:
            return write_flash(data);
        case Command::SetProtocol:
            return set_protocol(data);
        case Command::Antenna:
            return set_antenna(data);

        case Command::SamConfigure:
        case Command::SamReset:
        case Command::SamCommand:
            return sam_command(command, data);

        case Command::RequestA:
        case Command::Anticollision:
        case Command::SelectA:
        case Command::HaltA:
        case Command::DownloadKeys:
        case Command::AuthenticateLoadedKey:
        case Command::AuthenticateGivenKey:
        case Command::ReadBlock:
        case Command::WriteBlock:
        case Command::Request080:
        case Command::ActivateTypeA:
        case Command::TypeACommand:
        case Command::Deselect:
        case Command::UltralightSelect:
        case Command::UltralightWrite:
            return type_a_command(command, data);

        case Command::InitValue:
        case Command::ReadValue:
        case Command::Decrement:
        case Command::Increment:
        case Command::Restore:
        case Command::Transfer:
            return value_command(command, data);

        case Command::RequestB:
        case Command::Attrib:
        case Command::TypeBCommand:
        case Command::HaltB:
            return type_b_command(command, data);

        case Command::At020Check:
        case Command::At020Read:
        case Command::At020Write:
        case Command::At020Lock:
        case Command::At020Count:
        case Command::At020Deselect:
            return at88rf020_command(command, data);

        case Command::StSelect:
        case Command::StCompletion:
        case Command::Sr176Read:
        case Command::Sr176Write:
        case Command::Sr176Protect:
        case Command::Srix4kRead:
        case Command::Srix4kWrite:
        case Command::Srix4kAuthenticate:
        case Command::Srix4kGetUid:
        case Command::Srix4kWriteLockRegister:
            return short_range_command(command, data);

        case Command::Inventory:
        case Command::StayQuiet:
        case Command::Select15693:
        case Command::ResetToReady:
        case Command::ReadBlocks15693:
        case Command::WriteBlock15693:
        case Command::LockBlock15693:
        case Command::WriteAfi:
        case Command::LockAfi:
        case Command::WriteDsfid:
        case Command::LockDsfid:
        case Command::GetSystemInformation:
        case Command::GetBlockSecurity:
            return iso15693_command(command, data);
    }
    return Reply::fail(ReaderStatus::UnknownCommand);
}

}  // namespace sim
