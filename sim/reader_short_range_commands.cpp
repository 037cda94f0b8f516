// SR176 and SRIX4K (protocol 's'): select by chip ID, blocks, locks, the SRIX4K's
// UID and authentication.

#include "cards/short_range_card.h"
#include "cards/sr176.h"
#include "cards/srix4k.h"
#include "virtual_reader.h"

namespace sim {

Reply VirtualReader::short_range_command(Command command, ByteView data) {
    const auto cards = reachable<ShortRangeCard>(Protocol::ShortRange);
    if (command == Command::StSelect) {
        if (!data.empty()) return Reply::fail(ReaderStatus::BadLength);
        // INITIATE, then SELECT of the chip ID that answered.
        std::vector<ShortRangeCard *> answered;
        for (ShortRangeCard *card : cards) {
            if (card->initiate()) answered.push_back(card);
        }
        if (answered.empty()) return Reply::fail(ReaderStatus::NoCard);
        if (answered.size() > 1) return Reply::fail(ReaderStatus::Collision);
        const std::uint8_t chip_id = answered.front()->chip_id();
        for (ShortRangeCard *card : cards) card->select(chip_id);
        return Reply::ok({chip_id});
    }

    ShortRangeCard *card = nullptr;
    for (ShortRangeCard *candidate : cards) {
        if (candidate->state() == ShortRangeCard::State::Selected) card = candidate;
    }
    if (card == nullptr) return Reply::fail(ReaderStatus::NoCard);
    auto *sr176 = dynamic_cast<Sr176 *>(card);
    auto *srix4k = dynamic_cast<Srix4k *>(card);

    const auto sized = [&data](std::size_t size) { return data.size() == size; };
    // A command of the other chip gets an answer of the wrong size, or none.
    const Reply wrong_chip = Reply::fail(ReaderStatus::CardError);
    switch (command) {
        case Command::StCompletion:
            if (!sized(0)) return Reply::fail(ReaderStatus::BadLength);
            card->completion();
            return Reply::ok();
        case Command::Sr176Read:
        case Command::Srix4kRead:
            if (!sized(1)) return Reply::fail(ReaderStatus::BadLength);
            if (card->block_size() != (command == Command::Sr176Read ? 2u : 4u)) return wrong_chip;
            return card->read_block(data[0]);
        case Command::Sr176Write:
        case Command::Srix4kWrite: {
            const std::size_t size = command == Command::Sr176Write ? 2 : 4;
            if (!sized(1 + size)) return Reply::fail(ReaderStatus::BadLength);
            if (card->block_size() != size) return wrong_chip;
            return card->write_block(data[0], data.subspan(1));
        }
        case Command::Sr176Protect:
            if (!sized(1)) return Reply::fail(ReaderStatus::BadLength);
            return sr176 != nullptr ? sr176->protect(data[0]) : wrong_chip;
        case Command::Srix4kAuthenticate:
            if (!sized(6)) return Reply::fail(ReaderStatus::BadLength);
            return srix4k != nullptr ? srix4k->authenticate(data) : wrong_chip;
        case Command::Srix4kGetUid:
            if (!sized(0)) return Reply::fail(ReaderStatus::BadLength);
            return srix4k != nullptr ? srix4k->get_uid() : wrong_chip;
        case Command::Srix4kWriteLockRegister:
            if (!sized(1)) return Reply::fail(ReaderStatus::BadLength);
            return srix4k != nullptr ? srix4k->write_lock_register(data[0]) : wrong_chip;
        default:
            return Reply::fail(ReaderStatus::UnknownCommand);
    }
}

}  // namespace sim
