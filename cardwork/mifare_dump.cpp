#include "cardwork/mifare_dump.h"

#include <algorithm>

#include "cardkit/access_bits.h"

namespace cardwork {

namespace {

using cardkit::KeyType;

class SectorReader {
public:
    SectorReader(MifareCard &card, int sector, cardkit::CardDump &dump)
        : card_(card),
          dump_(dump),
          first_(cardkit::first_block(sector)),
          count_(cardkit::blocks_in_sector(sector)),
          read_(static_cast<std::size_t>(count_), false) {}

    const std::optional<cardkit::AccessBits> &access() const { return access_; }
    int blocks_read() const {
        return static_cast<int>(std::count(read_.begin(), read_.end(), true));
    }

    // The trailer's access bits and user byte, and key B where it reads as data,
    // as far as the key in use may read them.
    void read_trailer(KeyType type) {
        const int trailer = first_ + count_ - 1;
        const auto data = card_.read(trailer);
        if (!data) return;
        // Parts a key may not read come back as zeros, which never decode.
        const auto decoded = cardkit::decode_access_bits(cardkit::ByteView(*data).subspan(6, 3));
        if (!decoded) return;
        access_ = decoded;
        read_.back() = true;
        dump_.set_bytes(trailer, cardkit::kTrailerAccessBits,
                        cardkit::ByteView(*data).subspan(cardkit::kTrailerAccessBits, 4));
        const auto right = cardkit::trailer_rights(decoded->groups[3]).key_b_read;
        if (cardkit::key_right_allows(right, type)) {
            dump_.set_bytes(trailer, cardkit::kTrailerKeyB,
                            cardkit::ByteView(*data).subspan(cardkit::kTrailerKeyB, 6));
        }
    }

    // The data blocks not read yet that the key in use may read (all of them
    // while the access bits are unknown: the card then says).
    void read_data_blocks(KeyType type) {
        for (int index = 0; index + 1 < count_; ++index) {
            if (read_[static_cast<std::size_t>(index)]) continue;
            if (access_) {
                const auto group = access_->groups[cardkit::access_group(index, count_)];
                if (!cardkit::key_right_allows(cardkit::data_block_rights(group).read, type))
                    continue;
            }
            if (const auto data = card_.read(first_ + index)) {
                dump_.set_block(first_ + index, *data);
                read_[static_cast<std::size_t>(index)] = true;
            }
        }
    }

private:
    MifareCard &card_;
    cardkit::CardDump &dump_;
    int first_;
    int count_;
    std::vector<bool> read_;
    std::optional<cardkit::AccessBits> access_;
};

// Fills `report` as the sector gives it up, so that a failure half way leaves
// what was found there.
void read_sector_into(MifareCard &card, int sector, KeyCandidates &keys, cardkit::CardDump &dump,
                      const ProgressCallback &progress, SectorReport &report) {
    report.sector = sector;
    report.blocks = cardkit::blocks_in_sector(sector);
    SectorReader reader(card, sector, dump);

    const auto find = [&](KeyType type) {
        const auto candidates = keys.for_sector(sector, type);
        const auto key = card.find_key(sector, type, candidates, [&](std::size_t tried) {
            if (!progress) return;
            progress({WorkUnit::Sector, sector, dump.sector_count(),
                      Progress::KeySearch{type, tried, candidates.size()}, card.keys_tried(),
                      card.session().exchanges()});
        });
        if (key) {
            keys.add_found(sector, type, *key);
            dump.set_key(sector, type, *key);
        }
        return key;
    };

    // A stop half way through the sector still counts the blocks it read.
    struct CountOnExit {
        SectorReport &report;
        const SectorReader &reader;
        ~CountOnExit() { report.blocks_read = reader.blocks_read(); }
    } count_on_exit{report, reader};

    report.key_a = find(KeyType::A);
    if (report.key_a) {
        reader.read_trailer(KeyType::A);
        reader.read_data_blocks(KeyType::A);
    }
    const auto &access = reader.access();
    report.key_b_readable = access && cardkit::key_b_readable(access->groups[3]);
    if (!report.key_b_readable) {
        report.key_b = find(KeyType::B);
        if (report.key_b) {
            if (!access) reader.read_trailer(KeyType::B);
            reader.read_data_blocks(KeyType::B);
        }
    }
}

}  // namespace

SectorReport read_sector(MifareCard &card, int sector, KeyCandidates &keys, cardkit::CardDump &dump,
                         const ProgressCallback &progress) {
    SectorReport report;
    read_sector_into(card, sector, keys, dump, progress, report);
    return report;
}

MifareDumpOutcome dump_mifare_card(MifareCard &card, cardkit::MifareType type, KeyCandidates &keys,
                                   const ProgressCallback &progress) {
    MifareDumpOutcome outcome{{cardkit::CardDump::mifare_classic(type), {}}, std::nullopt};
    MifareDumpReport &report = outcome.report;
    const TypeACard &identity = card.card();
    report.dump.set_identity({identity.uid, identity.atqa, identity.sak});
    const int sectors = report.dump.sector_count();
    const auto tell = [&](int done) {
        if (progress) {
            progress({WorkUnit::Sector, done, sectors, std::nullopt, card.keys_tried(),
                      card.session().exchanges()});
        }
    };
    try {
        for (int sector = 0; sector < sectors; ++sector) {
            tell(sector);
            read_sector_into(card, sector, keys, report.dump, progress,
                             report.sectors.emplace_back());
        }
        tell(sectors);
    } catch (const CardError &error) {
        outcome.stopped = error;
    } catch (const std::exception &error) {
        outcome.stopped = unexpected_failure(error);
    }
    return outcome;
}

}  // namespace cardwork
