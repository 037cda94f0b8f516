// ISO 15693 (protocol '1'). Request data: the request flags byte as the tag gets
// it, the UID least significant byte first, then the command's own bytes.
//
// Which tag a command reaches, from the flags: with the inventory flag (04) clear,
// the address flag (20) picks the tag whose UID is given (a quiet tag included),
// else the select flag (10) picks the selected tag, else every tag that is not
// quiet answers. With the inventory flag set the upper bits mean something else
// and the command goes to every tag that is not quiet. More than one tag
// answering is a collision. The option flag (40, inventory flag clear) makes a
// read return each block's security status byte before its data.

#include <algorithm>

#include "cards/iso15693_tag.h"
#include "virtual_reader.h"

namespace sim {

namespace {

constexpr std::uint8_t kInventoryFlag = 0x04;
constexpr std::uint8_t kSelectFlag = 0x10;
constexpr std::uint8_t kAddressFlag = 0x20;
constexpr std::uint8_t kOptionFlag = 0x40;
constexpr std::size_t kSlots = 16;

bool uid_is(const Iso15693Tag &tag, ByteView uid) {
    return std::equal(uid.begin(), uid.end(), tag.uid().begin(), tag.uid().end());
}

// The tag a request with these flags reaches, or the status when none or several.
struct Target {
    Iso15693Tag *tag = nullptr;
    ReaderStatus status = ReaderStatus::NoCard;
};

Target addressed(const std::vector<Iso15693Tag *> &tags, std::uint8_t flags, ByteView uid) {
    std::vector<Iso15693Tag *> reached;
    for (Iso15693Tag *tag : tags) {
        bool answers = tag->state() != Iso15693Tag::State::Quiet;
        if ((flags & kInventoryFlag) == 0) {
            if (flags & kAddressFlag) {
                answers = uid_is(*tag, uid);
            } else if (flags & kSelectFlag) {
                answers = tag->state() == Iso15693Tag::State::Selected;
            }
        }
        if (answers) reached.push_back(tag);
    }
    if (reached.size() == 1) return {reached.front(), ReaderStatus::Ok};
    return {nullptr, reached.empty() ? ReaderStatus::NoCard : ReaderStatus::Collision};
}

// Request data length of each addressed command: flags, UID, then its own bytes.
std::size_t expected_length(Command command) {
    switch (command) {
        case Command::ResetToReady:
        case Command::LockAfi:
        case Command::LockDsfid:
        case Command::GetSystemInformation:
            return 9;
        case Command::LockBlock15693:
        case Command::WriteAfi:
        case Command::WriteDsfid:
            return 10;
        case Command::ReadBlocks15693:
        case Command::GetBlockSecurity:
            return 11;
        case Command::WriteBlock15693:
            return 14;
        default:
            return 0;  // not an addressed command
    }
}

}  // namespace

Reply VirtualReader::inventory(ByteView data) {
    if (!data.empty()) return Reply::fail(ReaderStatus::BadLength);
    // Sixteen slots, a tag answering in the slot of its UID's lowest four bits.
    std::array<std::vector<Iso15693Tag *>, kSlots> slots;
    for (Iso15693Tag *tag : reachable<Iso15693Tag>(Protocol::Vicinity)) {
        if (tag->state() != Iso15693Tag::State::Quiet) slots[tag->uid()[0] & 0x0F].push_back(tag);
    }
    bool collided = false;
    for (const auto &slot : slots) {
        if (slot.size() == 1) {
            Bytes answer = {slot.front()->dsfid()};
            append(answer, slot.front()->uid());
            return Reply::ok(std::move(answer));
        }
        collided = collided || slot.size() > 1;
    }
    return Reply::fail(collided ? ReaderStatus::Collision : ReaderStatus::NoCard);
}

Reply VirtualReader::iso15693_command(Command command, ByteView data) {
    if (command == Command::Inventory) return inventory(data);
    const auto tags = reachable<Iso15693Tag>(Protocol::Vicinity);
    if (command == Command::StayQuiet || command == Command::Select15693) {
        if (data.size() != 8) return Reply::fail(ReaderStatus::BadLength);
        const auto found = std::find_if(tags.begin(), tags.end(),
                                        [&](const Iso15693Tag *tag) { return uid_is(*tag, data); });
        // Stay quiet has no answer, so the reader cannot tell whether a tag heard it.
        if (command == Command::StayQuiet) {
            if (found != tags.end()) (*found)->stay_quiet();
            return Reply::ok();
        }
        if (found == tags.end()) return Reply::fail(ReaderStatus::NoCard);
        for (Iso15693Tag *tag : tags) tag->deselect();
        (*found)->select();
        return Reply::ok();
    }

    const std::size_t expected = expected_length(command);
    if (expected == 0) return Reply::fail(ReaderStatus::UnknownCommand);
    if (data.size() != expected) return Reply::fail(ReaderStatus::BadLength);
    const std::uint8_t flags = data[0];
    const Target target = addressed(tags, flags, data.subspan(1, 8));
    if (target.tag == nullptr) return Reply::fail(target.status);
    Iso15693Tag &tag = *target.tag;
    const ByteView rest = data.subspan(9);

    switch (command) {
        case Command::ResetToReady:
            tag.reset_to_ready();
            return Reply::ok();
        case Command::ReadBlocks15693: {
            if (rest[1] == 0) return Reply::fail(ReaderStatus::BadParameter);
            const bool security = (flags & kInventoryFlag) == 0 && (flags & kOptionFlag) != 0;
            return tag.read_blocks(rest[0], rest[1], security);
        }
        case Command::WriteBlock15693:
            return tag.write_block(rest[0], rest.subspan(1));
        case Command::LockBlock15693:
            return tag.lock_block(rest[0]);
        case Command::WriteAfi:
            return tag.write_afi(rest[0]);
        case Command::LockAfi:
            return tag.lock_afi();
        case Command::WriteDsfid:
            return tag.write_dsfid(rest[0]);
        case Command::LockDsfid:
            return tag.lock_dsfid();
        case Command::GetSystemInformation:
            return tag.system_information();
        case Command::GetBlockSecurity:
            if (rest[1] == 0) return Reply::fail(ReaderStatus::BadParameter);
            return tag.block_security(rest[0], rest[1]);
        default:
            return Reply::fail(ReaderStatus::UnknownCommand);
    }
}

}  // namespace sim
