#include "cardwork/mifare_restore.h"

#include "cardwork/sector_keys.h"

namespace cardwork {

namespace {

using cardkit::ByteView;
using cardkit::CardDump;
using cardkit::KeyType;

std::string differing(ByteView wrote, ByteView read) {
    return "wrote " + cardkit::to_hex(wrote) + ", read back " + cardkit::to_hex(read);
}

class SectorRestore {
public:
    SectorRestore(MifareCard &card, const CardDump &dump, KeyCandidates &keys,
                  const RestoreOptions &options, RestoreReport &report)
        : card_(card), dump_(dump), keys_(keys), options_(options), report_(report) {}

    void run(int sector) {
        const int first = cardkit::first_block(sector);
        const int count = cardkit::blocks_in_sector(sector);
        std::vector<int> data_blocks;
        for (int index = 0; index + 1 < count; ++index) {
            const int block = first + index;
            if (block == 0 && !options_.include_block0) continue;
            if (wanted(block)) data_blocks.push_back(index);
        }
        const int trailer = first + count - 1;
        const bool trailer_wanted = options_.include_trailers && wanted(trailer);
        if (data_blocks.empty() && !trailer_wanted) return;

        SectorKeys keys(card_, sector, keys_, report_.keys);
        for (const int index : data_blocks) {
            const int block = first + index;
            std::string why;
            if (!keys.use_for_data(block, &cardkit::DataBlockRights::write, why)) {
                skip(block, "not written: " + why);
                continue;
            }
            if (!write(block) || !options_.verify) continue;
            if (!keys.use_for_data(block, &cardkit::DataBlockRights::read, why)) {
                report_.differences.push_back({block, "not read back: " + why});
                continue;
            }
            verify(block, 0, cardkit::kMifareBlockSize);
        }
        if (trailer_wanted) restore_trailer(sector, keys);
    }

private:
    // Blocks the dump holds whole; a block held in part is noted and left.
    bool wanted(int block) {
        if (dump_.block_known(block)) return true;
        if (!dump_.block_unknown(block)) skip(block, "not written: the dump holds only part of it");
        return false;
    }

    void skip(int block, std::string note) { report_.skipped.push_back({block, std::move(note)}); }

    bool write(int block) {
        // Authenticated first, so that a failure after this is the write's own.
        card_.open();
        bool written = false;
        try {
            written = card_.write(block, dump_.block(block));
        } catch (const CardError &error) {
            // A reader that answered with a status did not write; a line that
            // failed leaves the block as it may be.
            if (outcome_unknown(error)) report_.in_doubt = block;
            throw;
        }
        if (!written) {
            skip(block, block == 0 ? "the card refused the write: block 0 of most cards is "
                                     "written once, at the factory"
                                   : "the card refused the write");
            return false;
        }
        report_.written.push_back(block);
        return true;
    }

    // Compares bytes [from, to) of the block as read with what was written.
    void verify(int block, int from, int to) {
        const auto read = card_.read(block);
        if (!read) {
            report_.differences.push_back({block, "the card refused to read it back"});
            return;
        }
        ++report_.verified;
        const ByteView wrote = dump_.block(block).subspan(static_cast<std::size_t>(from),
                                                          static_cast<std::size_t>(to - from));
        const ByteView back = ByteView(*read).subspan(static_cast<std::size_t>(from),
                                                      static_cast<std::size_t>(to - from));
        if (!std::equal(wrote.begin(), wrote.end(), back.begin())) {
            report_.differences.push_back({block, differing(wrote, back)});
        }
    }

    void restore_trailer(int sector, SectorKeys &keys) {
        const int trailer = cardkit::trailer_block(sector);
        std::string why;
        if (!keys.use_for_trailer(why)) {
            skip(trailer, "not written: " + why);
            return;
        }
        if (!write(trailer)) return;

        // From now on the sector answers to the dump's keys.
        const cardkit::MifareKey new_a = *dump_.key(sector, KeyType::A);
        const auto new_access = *dump_.access_bits(sector);
        const bool b_readable = cardkit::key_b_readable(new_access.groups[3]);
        report_.keys.set_key(sector, KeyType::A, new_a);
        keys_.add_found(sector, KeyType::A, new_a);
        if (b_readable) {
            report_.keys.forget_bytes(trailer, cardkit::kTrailerKeyB, 6);
        } else {
            report_.keys.set_key(sector, KeyType::B, *dump_.key(sector, KeyType::B));
            keys_.add_found(sector, KeyType::B, *dump_.key(sector, KeyType::B));
        }
        if (!options_.verify) return;
        if (!card_.find_key(sector, KeyType::A, {new_a})) {
            report_.differences.push_back({trailer, "the written key A does not open the sector"});
            return;
        }
        // Key A reads the access bits and the user byte, and key B when it is data.
        verify(trailer, cardkit::kTrailerAccessBits, b_readable ? 16 : cardkit::kTrailerKeyB);
    }

    MifareCard &card_;
    const CardDump &dump_;
    KeyCandidates &keys_;
    const RestoreOptions &options_;
    RestoreReport &report_;
};

}  // namespace

PrivilegedWrites check_restorable(const CardDump &dump, cardkit::MifareType card_type,
                                  const RestoreOptions &options) {
    if (dump.family() != cardkit::CardFamily::MifareClassic) {
        throw CardError(CardErrorKind::DumpUnusable,
                        "the dump holds a " + dump.description() + ", not a Mifare Classic card");
    }
    if (dump.block_count() > cardkit::block_count(card_type)) {
        throw CardError(CardErrorKind::DumpUnusable,
                        "the dump holds a " + dump.description() +
                            ", more blocks than the Mifare Classic " +
                            std::string(cardkit::mifare_type_name(card_type)) + " in the field");
    }
    PrivilegedWrites writes;
    writes.block0 = options.include_block0 && dump.block_known(0);
    if (!options.include_trailers) return writes;
    std::vector<int> invalid;
    for (int sector = 0; sector < dump.sector_count(); ++sector) {
        if (!dump.block_known(cardkit::trailer_block(sector))) continue;
        if (!dump.access_bits(sector)) invalid.push_back(sector);
        writes.trailer_sectors.push_back(sector);
    }
    if (!invalid.empty()) {
        std::string list;
        for (const int sector : invalid)
            list += (list.empty() ? "" : ", ") + std::to_string(sector);
        throw CardError(CardErrorKind::DumpUnusable,
                        "the access bits of sector(s) " + list +
                            " in the dump are invalid (their inverted copies disagree): the card "
                            "would refuse such a sector for good, so nothing was written");
    }
    return writes;
}

RestoreOutcome restore_mifare_card(MifareCard &card, cardkit::MifareType card_type,
                                   const CardDump &dump, KeyCandidates &keys,
                                   const RestoreOptions &options,
                                   const ProgressCallback &progress) {
    RestoreOutcome outcome{{{}, {}, 0, {}, CardDump::mifare_classic(card_type), std::nullopt},
                           std::nullopt};
    RestoreReport &report = outcome.report;
    report.keys.set_identity({card.card().uid});
    const auto tell = [&](int done, int total) {
        if (progress) {
            progress({WorkUnit::Sector, done, total, std::nullopt, card.keys_tried(),
                      card.session().exchanges()});
        }
    };
    try {
        check_restorable(dump, card_type, options);
        SectorRestore restore(card, dump, keys, options, report);
        const int sectors = dump.sector_count();
        for (int sector = 0; sector < sectors; ++sector) {
            tell(sector, sectors);
            restore.run(sector);
        }
        tell(sectors, sectors);
    } catch (const CardError &error) {
        outcome.stopped = error;
    } catch (const std::exception &error) {
        outcome.stopped = unexpected_failure(error);
    }
    return outcome;
}

}  // namespace cardwork
