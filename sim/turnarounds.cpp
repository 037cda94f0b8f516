#include "turnarounds.h"

#include <charconv>
#include <cmath>

#include "protocol/commands.h"

namespace sim {

using protocol::Command;

CommandKind command_kind(std::uint8_t code) {
    switch (static_cast<Command>(code)) {
        case Command::SamConfigure:
        case Command::SamReset:
        case Command::SamCommand:
        case Command::RequestA:
        case Command::Anticollision:
        case Command::SelectA:
        case Command::HaltA:
        case Command::AuthenticateLoadedKey:
        case Command::AuthenticateGivenKey:
        case Command::Request080:
        case Command::ActivateTypeA:
        case Command::TypeACommand:
        case Command::RequestB:
        case Command::Attrib:
        case Command::TypeBCommand:
        case Command::HaltB:
        case Command::Deselect:
        case Command::At020Check:
        case Command::At020Deselect:
        case Command::StSelect:
        case Command::StCompletion:
        case Command::Srix4kAuthenticate:
        case Command::Srix4kGetUid:
        case Command::UltralightSelect:
        case Command::Inventory:
        case Command::StayQuiet:
        case Command::Select15693:
        case Command::ResetToReady:
        case Command::GetSystemInformation:
            return CommandKind::Card;
        case Command::ReadBlock:
        case Command::WriteBlock:
        case Command::InitValue:
        case Command::ReadValue:
        case Command::Decrement:
        case Command::Increment:
        case Command::Restore:
        case Command::Transfer:
        case Command::At020Read:
        case Command::At020Write:
        case Command::At020Lock:
        case Command::At020Count:
        case Command::Sr176Read:
        case Command::Sr176Write:
        case Command::Sr176Protect:
        case Command::Srix4kRead:
        case Command::Srix4kWrite:
        case Command::Srix4kWriteLockRegister:
        case Command::UltralightWrite:
        case Command::ReadBlocks15693:
        case Command::WriteBlock15693:
        case Command::LockBlock15693:
        case Command::WriteAfi:
        case Command::LockAfi:
        case Command::WriteDsfid:
        case Command::LockDsfid:
        case Command::GetBlockSecurity:
            return CommandKind::CardMemory;
        default:
            return CommandKind::Reader;
    }
}

std::chrono::microseconds Turnarounds::of(CommandKind kind) const {
    switch (kind) {
        case CommandKind::Reader:
            return reader;
        case CommandKind::Card:
            return card;
        case CommandKind::CardMemory:
            return card_memory;
    }
    return reader;
}

bool Turnarounds::set(std::string_view setting, std::string &error) {
    const std::size_t equals = setting.find('=');
    const std::string_view kind = setting.substr(0, equals);
    std::chrono::microseconds *target = kind == "reader"   ? &reader
                                        : kind == "card"   ? &card
                                        : kind == "memory" ? &card_memory
                                                           : nullptr;
    if (equals == std::string_view::npos || target == nullptr) {
        error = "a turnaround is reader=MS, card=MS or memory=MS, not " + std::string(setting);
        return false;
    }
    const std::string_view text = setting.substr(equals + 1);
    double milliseconds = 0;
    const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(),
                                                milliseconds, std::chars_format::fixed);
    // Written so that a NaN fails it too.
    if (failure != std::errc() || end != text.data() + text.size() ||
        !(milliseconds >= 0 && milliseconds <= 1000)) {
        error = "a turnaround is 0 to 1000 milliseconds, not " + std::string(text);
        return false;
    }
    *target = std::chrono::microseconds(std::lround(milliseconds * 1000));
    return true;
}

}  // namespace sim
