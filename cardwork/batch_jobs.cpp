#include "cardwork/batch_jobs.h"

#include <utility>

#include "cardkit/mifare_layout.h"

namespace cardwork {

namespace {

// The record's share of what a write did, whichever engine did it.
template <typename Report>
void take_report(BatchCard &record, const Report &report) {
    record.written = report.written;
    record.skipped = report.skipped;
    record.verified = report.verified;
    record.differences = report.differences;
    record.in_doubt = report.in_doubt;
}

constexpr std::size_t kUltralightUidSize = 7;

std::string first_note(const std::vector<BlockNote> &notes) {
    return "block " + std::to_string(notes.front().block) + ": " + notes.front().note;
}

}  // namespace

MifareBatchJob::MifareBatchJob(cardkit::CardDump dump, RestoreOptions options, KeyCandidates keys,
                               const KeyMemory *memory)
    : dump_(std::move(dump)), options_(options), keys_(std::move(keys)), memory_(memory) {}

int MifareBatchJob::blocks_to_write() const {
    if (dump_.family() != cardkit::CardFamily::MifareClassic) return 0;
    int blocks = 0;
    for (int block = 0; block < dump_.block_count(); ++block) {
        if (block == 0 && !options_.include_block0) continue;
        if (cardkit::is_trailer(block) && !options_.include_trailers) continue;
        if (dump_.block_known(block)) ++blocks;
    }
    return blocks;
}

std::string MifareBatchJob::type_of(const TypeACard &card) const {
    const auto type = card.sak ? cardkit::mifare_type_from_sak(*card.sak) : std::nullopt;
    return type ? "Mifare Classic " + std::string(cardkit::mifare_type_name(*type)) : "";
}

BatchCard MifareBatchJob::work(ReaderSession &session, const TypeACard &card,
                               const ProgressCallback &progress) {
    BatchCard record;
    record.card = card;
    record.verify = options_.verify;
    record.type = type_of(card);
    const auto type = card.sak ? cardkit::mifare_type_from_sak(*card.sak) : std::nullopt;
    if (!type) {
        record.stopped =
            CardError(CardErrorKind::CardUnusable,
                      "the card " + cardkit::to_hex(card.uid) + " is no Mifare Classic card (" +
                          (card.sak ? "SAK " + cardkit::to_hex(cardkit::ByteView(&*card.sak, 1))
                                    : std::string("a 7-byte UID")) +
                          ")");
        return record;
    }

    KeyCandidates keys = keys_;
    std::string warning;
    if (memory_ != nullptr) {
        keys.add_known(memory_->recall(card.uid, *type, warning));
        if (!warning.empty()) record.warnings.push_back(warning);
    }
    MifareCard mifare(session, card);
    const RestoreOutcome outcome =
        restore_mifare_card(mifare, *type, dump_, keys, options_, progress);
    if (memory_ != nullptr && !memory_->remember(outcome.report.keys, warning))
        record.warnings.push_back(warning);

    take_report(record, outcome.report);
    record.stopped = outcome.stopped;
    if (!record.stopped && !record.skipped.empty()) {
        if (const auto &refusal = mifare.last_refusal()) {
            record.refused =
                CardError::call(refusal->function, refusal->result, first_note(record.skipped));
        }
    }
    return record;
}

UltralightBatchJob::UltralightBatchJob(cardkit::CardDump dump, UltralightWriteOptions options)
    : dump_(std::move(dump)), options_(options) {}

int UltralightBatchJob::blocks_to_write() const {
    if (dump_.family() != cardkit::CardFamily::Ultralight) return 0;
    const UltralightPrivilegedWrites privileged = check_ultralight_writable(dump_, options_);
    int pages = (privileged.otp ? 1 : 0) + (privileged.lock_bytes ? 1 : 0);
    for (int page = kUltralightFirstDataPage; page < dump_.block_count(); ++page) {
        if (dump_.block_known(page)) ++pages;
    }
    return pages;
}

std::string UltralightBatchJob::type_of(const TypeACard &card) const {
    return card.uid.size() == kUltralightUidSize ? "Mifare Ultralight" : "";
}

BatchCard UltralightBatchJob::work(ReaderSession &session, const TypeACard &card,
                                   const ProgressCallback &progress) {
    BatchCard record;
    record.card = card;
    record.verify = options_.verify;
    record.type = type_of(card);
    if (record.type.empty()) {
        record.stopped =
            CardError(CardErrorKind::CardUnusable, "the card " + cardkit::to_hex(card.uid) +
                                                       " has a 4-byte UID: it is no Ultralight");
        return record;
    }
    const PageWriteOutcome outcome =
        write_ultralight_card(session, card, dump_, options_, progress);
    take_report(record, outcome.report);
    record.stopped = outcome.stopped;
    if (!record.stopped) record.refused = outcome.report.refused;
    return record;
}

}  // namespace cardwork
