// ISO 14443 Type B (protocol 'B') and the AT88RF020 (protocol 'r'): the request
// answers in whichever of the two protocols the reader is set to.

#include "cards/at88rf020.h"
#include "cards/type_b_card.h"
#include "virtual_reader.h"

namespace sim {

namespace {

Pupi pupi_from(ByteView data) {
    return {data[0], data[1], data[2], data[3]};
}

}  // namespace

Reply VirtualReader::type_b_command(Command command, ByteView data) {
    // The Type B signalling serves both protocols.
    auto cards = reachable<TypeBCard>(Protocol::TypeB);
    if (cards.empty()) cards = reachable<TypeBCard>(Protocol::At88rf020);

    switch (command) {
        case Command::RequestB: {
            if (data.size() != 1) return Reply::fail(ReaderStatus::BadLength);
            if (data[0] > 1) return Reply::fail(ReaderStatus::BadParameter);
            // One time slot: every card that answers does so at once.
            std::vector<TypeBCard *> answered;
            for (TypeBCard *card : cards) {
                if (card->request(data[0] == 1)) answered.push_back(card);
            }
            if (answered.empty()) return Reply::fail(ReaderStatus::NoCard);
            if (answered.size() > 1) return Reply::fail(ReaderStatus::Collision);
            return Reply::ok(answered.front()->atqb());
        }
        case Command::Attrib:
            // The parameter byte (the CID the reader assigns) is taken as it comes.
            if (data.size() != 5) return Reply::fail(ReaderStatus::BadLength);
            for (TypeBCard *card : cards) {
                if (card->attrib(pupi_from(data))) return Reply::ok();
            }
            return Reply::fail(ReaderStatus::NoCard);
        case Command::TypeBCommand:
            // The leading byte (the CID of the exchange) is not checked.
            if (data.empty()) return Reply::fail(ReaderStatus::BadLength);
            for (TypeBCard *card : cards) {
                if (card->state() == TypeBCard::State::Active)
                    return card->exchange(data.subspan(1));
            }
            return Reply::fail(ReaderStatus::NoCard);
        case Command::HaltB:
            if (data.size() != 4) return Reply::fail(ReaderStatus::BadLength);
            for (TypeBCard *card : cards) {
                if (card->halt(pupi_from(data))) return Reply::ok();
            }
            return Reply::fail(ReaderStatus::NoCard);
        default:
            return Reply::fail(ReaderStatus::UnknownCommand);
    }
}

Reply VirtualReader::at88rf020_command(Command command, ByteView data) {
    At88rf020 *card = nullptr;
    for (At88rf020 *candidate : reachable<At88rf020>(Protocol::At88rf020)) {
        if (candidate->listening()) {
            card = candidate;
            break;
        }
    }
    if (card == nullptr) return Reply::fail(ReaderStatus::NoCard);

    const auto sized = [&data](std::size_t size) { return data.size() == size; };
    switch (command) {
        case Command::At020Check:
            if (!sized(8)) return Reply::fail(ReaderStatus::BadLength);
            return card->check_password(data);
        case Command::At020Read:
            if (!sized(1)) return Reply::fail(ReaderStatus::BadLength);
            return card->read_page(data[0]);
        case Command::At020Write:
            if (!sized(9)) return Reply::fail(ReaderStatus::BadLength);
            return card->write_page(data[0], data.subspan(1));
        case Command::At020Lock:
            if (!sized(4)) return Reply::fail(ReaderStatus::BadLength);
            return card->lock(data);
        case Command::At020Count:
            if (!sized(6)) return Reply::fail(ReaderStatus::BadLength);
            return card->count(data);
        case Command::At020Deselect:
            if (!sized(0)) return Reply::fail(ReaderStatus::BadLength);
            return card->deselect();
        default:
            return Reply::fail(ReaderStatus::UnknownCommand);
    }
}

}  // namespace sim
