#pragma once

// What a batch does to each card: a Mifare Classic card gets a dump restored
// (restore_mifare_card, with keys tried and remembered per card as a single
// restore does), an Ultralight the dump's pages (write_ultralight_card).

#include "cardkit/dump.h"
#include "cardwork/card_batch.h"
#include "cardwork/key_candidates.h"
#include "cardwork/key_memory.h"
#include "cardwork/mifare_restore.h"
#include "cardwork/ultralight_write.h"

namespace cardwork {

class MifareBatchJob : public CardJob {
public:
    // `keys`: what every card is tried with first (each card gets its own copy,
    // so keys found on one are not tried first on the next). `memory`, when
    // given, adds each card's remembered keys and remembers the keys it ends with.
    MifareBatchJob(cardkit::CardDump dump, RestoreOptions options, KeyCandidates keys,
                   const KeyMemory *memory = nullptr);

    int blocks_to_write() const override;
    std::string type_of(const TypeACard &card) const override;
    BatchCard work(ReaderSession &session, const TypeACard &card,
                   const ProgressCallback &progress) override;

private:
    cardkit::CardDump dump_;
    RestoreOptions options_;
    KeyCandidates keys_;
    const KeyMemory *memory_;
};

class UltralightBatchJob : public CardJob {
public:
    UltralightBatchJob(cardkit::CardDump dump, UltralightWriteOptions options);

    int blocks_to_write() const override;
    std::string type_of(const TypeACard &card) const override;
    BatchCard work(ReaderSession &session, const TypeACard &card,
                   const ProgressCallback &progress) override;

private:
    cardkit::CardDump dump_;
    UltralightWriteOptions options_;
};

}  // namespace cardwork
