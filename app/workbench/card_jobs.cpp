#include "workbench/card_jobs.h"

#include <algorithm>

#include "cardkit/key_dictionary.h"
#include "cardwork/key_candidates.h"
#include "cardwork/key_memory.h"
#include "cardwork/memory_cards.h"
#include "cardwork/mifare_card.h"
#include "cardwork/mifare_dump.h"
#include "protocol/card_protocols.h"

namespace tilvane {

namespace {

using cardwork::CardError;
using cardwork::TypeACard;

// rf_init_com with the settings' port and rate, when no port is open yet.
void OpenPort(cardwork::ReaderSession &session, const ReaderPort &port, bool &opened) {
    if (!port.open_first) return;
    session.check_cancel();
    const std::int32_t result = session.api().rf_init_com(port.port, port.baud);
    if (result != 0) {
        session.api().rf_ClosePort();
        throw CardError::call("rf_init_com", result,
                              "no reader on port " + std::to_string(port.port));
    }
    opened = true;
}

std::string Hex(cardkit::ByteView bytes) { return cardkit::to_hex(bytes); }

// The Mifare Classic card in the field, other Type A cards passed over (as rfcard
// does); `wanted_uid`, when given, must be its UID.
TypeACard FindMifareCard(cardwork::ReaderSession &session, const cardkit::Bytes &wanted_uid = {}) {
    session.power_field(protocol::kProtocolTypeA);
    return cardwork::require_type_a(
        session,
        [&](const TypeACard &candidate) {
            return candidate.sak && cardkit::mifare_type_from_sak(*candidate.sak) &&
                   (wanted_uid.empty() || candidate.uid == wanted_uid);
        },
        [&](const TypeACard &other) {
            if (other.sak && cardkit::mifare_type_from_sak(*other.sak)) {
                return "the card in the field is " + Hex(other.uid) + ", not " + Hex(wanted_uid) +
                       ", the card that was checked: nothing was written";
            }
            return "the card " + Hex(other.uid) + " in the field is no Mifare Classic card (" +
                   (other.sak ? "SAK " + Hex(cardkit::ByteView(&*other.sak, 1))
                              : std::string("a 7-byte UID")) +
                   ")";
        });
}

cardwork::KeyCandidates Candidates(const KeyOrder &keys, std::vector<cardkit::MifareKey> given) {
    std::vector<cardkit::MifareKey> listed = keys.dictionary_keys;
    for (const cardkit::MifareKey &key : cardkit::default_keys()) {
        if (std::find(listed.begin(), listed.end(), key) == listed.end()) listed.push_back(key);
    }
    return cardwork::KeyCandidates(std::move(given), std::move(listed));
}

void Recall(const KeyOrder &keys, const TypeACard &card, cardkit::MifareType type,
            cardwork::KeyCandidates &candidates, std::vector<std::string> &warnings) {
    if (keys.key_memory.empty()) return;
    std::string warning;
    candidates.add_known(cardwork::KeyMemory(keys.key_memory).recall(card.uid, type, warning));
    if (!warning.empty()) warnings.push_back(warning);
}

void Remember(const KeyOrder &keys, const cardkit::CardDump &found,
              std::vector<std::string> &warnings) {
    if (keys.key_memory.empty()) return;
    std::string warning;
    if (!cardwork::KeyMemory(keys.key_memory).remember(found, warning)) warnings.push_back(warning);
}

void ReadMifare(cardwork::ReaderSession &session, const KeyOrder &keys,
                const cardwork::ProgressCallback &progress, ReadOutcome &outcome) {
    const TypeACard card = FindMifareCard(session);
    const cardkit::MifareType type = *cardkit::mifare_type_from_sak(*card.sak);
    cardwork::KeyCandidates candidates = Candidates(keys, {});
    Recall(keys, card, type, candidates, outcome.warnings);
    cardwork::MifareCard mifare(session, card);
    cardwork::MifareDumpOutcome read =
        cardwork::dump_mifare_card(mifare, type, candidates, progress);
    // Whatever stopped it, the keys found so far are kept for next time.
    Remember(keys, read.report.dump, outcome.warnings);
    outcome.keys_tried = mifare.keys_tried();
    outcome.dump = std::move(read.report.dump);
    outcome.stopped = std::move(read.stopped);
}

void ReadMemoryCard(cardwork::ReaderSession &session, cardkit::CardFamily family,
                    const cardwork::ProgressCallback &progress, ReadOutcome &outcome) {
    cardwork::MemoryCardRead read;
    switch (family) {
        case cardkit::CardFamily::Ultralight:
            read = cardwork::read_ultralight(session, progress);
            break;
        case cardkit::CardFamily::Srix4k:
            read = cardwork::read_srix4k(session, progress);
            break;
        case cardkit::CardFamily::Sr176:
            read = cardwork::read_sr176(session, progress);
            break;
        default:
            read = cardwork::read_iso15693(session, progress);
            break;
    }
    outcome.dump = std::move(read.dump);
    outcome.warnings.insert(outcome.warnings.end(), read.warnings.begin(), read.warnings.end());
    outcome.stopped = std::move(read.stopped);
}

}  // namespace

ReadOutcome ReadCard(cardwork::ReaderSession &session, const ReaderPort &port,
                     cardkit::CardFamily family, const KeyOrder &keys,
                     const cardwork::ProgressCallback &progress) {
    ReadOutcome outcome;
    try {
        OpenPort(session, port, outcome.port_opened);
        if (family == cardkit::CardFamily::MifareClassic) {
            ReadMifare(session, keys, progress, outcome);
        } else {
            ReadMemoryCard(session, family, progress, outcome);
        }
    } catch (const CardError &error) {
        outcome.stopped = error;
    }
    outcome.exchanges = session.exchanges();
    return outcome;
}

WriteCheck CheckCardForWrite(cardwork::ReaderSession &session, const ReaderPort &port,
                             const cardkit::CardDump &dump,
                             const cardwork::RestoreOptions &options) {
    WriteCheck check;
    try {
        if (dump.family() != cardkit::CardFamily::MifareClassic) {
            throw CardError(cardwork::CardErrorKind::DumpUnusable,
                            "the dump holds a " + dump.description() +
                                ": only Mifare Classic dumps are written to cards here");
        }
        OpenPort(session, port, check.port_opened);
        TypeACard card = FindMifareCard(session);
        const cardkit::MifareType type = *cardkit::mifare_type_from_sak(*card.sak);
        check.writes = cardwork::check_restorable(dump, type, options);
        check.card = std::move(card);
        check.type = type;
    } catch (const CardError &error) {
        check.stopped = error;
    }
    return check;
}

WriteOutcome WriteCard(cardwork::ReaderSession &session, const cardkit::CardDump &dump,
                       const cardkit::Bytes &card_uid, const cardwork::RestoreOptions &options,
                       const KeyOrder &keys, const cardwork::ProgressCallback &progress) {
    WriteOutcome outcome;
    std::vector<std::string> ignored;
    try {
        const TypeACard card = FindMifareCard(session, card_uid);
        const cardkit::MifareType type = *cardkit::mifare_type_from_sak(*card.sak);
        // The dump's own keys are likely the card's.
        std::vector<cardkit::MifareKey> dump_keys;
        for (int sector = 0; sector < dump.sector_count(); ++sector) {
            for (const auto kind : {cardkit::KeyType::A, cardkit::KeyType::B}) {
                if (const auto key = dump.key(sector, kind)) dump_keys.push_back(*key);
            }
        }
        cardwork::KeyCandidates candidates = Candidates(keys, std::move(dump_keys));
        Recall(keys, card, type, candidates, ignored);
        cardwork::MifareCard mifare(session, card);
        cardwork::RestoreOutcome restore =
            cardwork::restore_mifare_card(mifare, type, dump, candidates, options, progress);
        Remember(keys, restore.report.keys, ignored);
        outcome.report = std::move(restore.report);
        outcome.stopped = std::move(restore.stopped);
    } catch (const CardError &error) {
        outcome.stopped = error;
    }
    outcome.exchanges = session.exchanges();
    return outcome;
}

std::vector<BlockResult> BlockResults(const cardkit::CardDump &dump,
                                      const cardwork::RestoreOptions &options,
                                      const cardwork::RestoreReport &report, bool stopped) {
    std::vector<BlockResult> results;
    // A stop can fall between a block's write and its read back: the blocks
    // written last that no check has answered for were not read back.
    std::vector<int> unchecked;
    const std::size_t checked =
        static_cast<std::size_t>(report.verified) + report.differences.size();
    if (stopped && options.verify && report.written.size() > checked) {
        unchecked.assign(
            report.written.end() - static_cast<std::ptrdiff_t>(report.written.size() - checked),
            report.written.end());
    }
    const auto note_of = [](const std::vector<cardwork::BlockNote> &notes,
                            int block) -> std::optional<std::string> {
        const auto found = std::find_if(notes.begin(), notes.end(),
                                        [block](const auto &note) { return note.block == block; });
        if (found == notes.end()) return std::nullopt;
        return found->note;
    };
    for (int block = 0; block < dump.block_count(); ++block) {
        if (dump.block_unknown(block)) continue;
        BlockResult result{block, BlockResultKind::NotReached, {}};
        const bool written =
            std::find(report.written.begin(), report.written.end(), block) != report.written.end();
        if (block == 0 && !options.include_block0) {
            result.kind = BlockResultKind::LeftOut;
            result.note = "block 0 was not chosen";
        } else if (cardkit::is_trailer(block) && !options.include_trailers) {
            result.kind = BlockResultKind::LeftOut;
            result.note = "trailers were not chosen";
        } else if (const auto skipped = note_of(report.skipped, block)) {
            result.kind = BlockResultKind::Refused;
            result.note = *skipped;
        } else if (const auto differs = note_of(report.differences, block)) {
            result.kind = BlockResultKind::Differs;
            result.note = *differs;
        } else if (written && options.verify &&
                   std::find(unchecked.begin(), unchecked.end(), block) != unchecked.end()) {
            result.kind = BlockResultKind::Written;
            result.note = "the work stopped before it was read back";
        } else if (written) {
            result.kind = options.verify ? BlockResultKind::Verified : BlockResultKind::Written;
        } else if (report.in_doubt == block) {
            result.kind = BlockResultKind::InDoubt;
            result.note = "the line failed while it was written: it may hold either";
        } else {
            result.note = "the work stopped before it";
        }
        results.push_back(std::move(result));
    }
    return results;
}

std::string BlockResultName(BlockResultKind kind) {
    switch (kind) {
        case BlockResultKind::Verified:
            return "verified";
        case BlockResultKind::Written:
            return "written";
        case BlockResultKind::Refused:
            return "refused";
        case BlockResultKind::Differs:
            return "differs";
        case BlockResultKind::InDoubt:
            return "in doubt";
        case BlockResultKind::NotReached:
            return "not reached";
        case BlockResultKind::LeftOut:
            break;
    }
    return "left out";
}

cardkit::Bytes DumpUid(const cardkit::CardDump &dump) {
    if (!dump.identity().uid.empty()) return dump.identity().uid;
    return cardkit::identity_in_blocks(dump).uid;
}

}  // namespace tilvane
