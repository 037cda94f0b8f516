#include "cardwork/card_batch.h"

#include "protocol/card_protocols.h"

namespace cardwork {

std::string_view batch_result_name(BatchResult result) {
    switch (result) {
        case BatchResult::Written:
            return "written";
        case BatchResult::Verified:
            return "verified";
        case BatchResult::Failed:
            break;
        case BatchResult::SkippedDuplicate:
            return "skipped-duplicate";
        case BatchResult::Partial:
            return "partial";
    }
    return "failed";
}

const CardError *BatchCard::failure() const {
    if (stopped) return &*stopped;
    if (refused) return &*refused;
    return nullptr;
}

BatchResult batch_result(const BatchCard &card) {
    if (card.written.empty() && !card.in_doubt) return BatchResult::Failed;
    if (card.stopped || !card.skipped.empty()) return BatchResult::Partial;
    if (!card.differences.empty()) return BatchResult::Failed;
    return card.verify ? BatchResult::Verified : BatchResult::Written;
}

namespace {

class Batch {
public:
    Batch(ReaderSession &session, CardJob &job, std::set<cardkit::Bytes> &done,
          const BatchSettings &settings, const std::atomic<bool> *finish, const BatchEvents &events)
        : session_(session),
          job_(job),
          done_(done),
          settings_(settings),
          finish_(finish),
          events_(events),
          watch_(session, settings.watch, settings.pause) {}

    BatchTally run() {
        try {
            session_.power_field(protocol::kProtocolTypeA);
            tally_.end = serve();
        } catch (const CardError &error) {
            if (error.kind() == CardErrorKind::Cancelled) {
                tally_.end = BatchEnd::Cancelled;
            } else {
                tally_.end = BatchEnd::ReaderFailed;
                tally_.failure = error;
            }
        }
        return tally_;
    }

private:
    bool count_reached() const {
        return settings_.count > 0 && tally_.written + tally_.verified >= settings_.count;
    }

    BatchEnd serve() {
        for (;;) {
            if (count_reached()) return BatchEnd::CountReached;
            if (events_.waiting) events_.waiting(tally_.written + tally_.verified);
            const auto found = watch_.wait_for_card(finish_, events_.unusable);
            if (!found) return BatchEnd::Finished;
            BatchCard record = done_.contains(found->uid) ? duplicate(*found) : work(*found);
            tell(record);
            if (record.stopped && record.stopped->kind() == CardErrorKind::Cancelled)
                return BatchEnd::Cancelled;
            if (count_reached()) return BatchEnd::CountReached;
            if (!watch_.wait_until_gone(*found, finish_)) return BatchEnd::Finished;
        }
    }

    BatchCard duplicate(const TypeACard &card) {
        BatchCard record;
        record.card = card;
        record.type = job_.type_of(card);
        record.result = BatchResult::SkippedDuplicate;
        return record;
    }

    BatchCard work(const TypeACard &card) {
        if (events_.working) events_.working(card);
        const long before = session_.exchanges();
        BatchCard record = job_.work(session_, card, events_.progress);
        record.exchanges = session_.exchanges() - before;
        record.result = batch_result(record);
        if (record.result == BatchResult::Written || record.result == BatchResult::Verified)
            done_.insert(card.uid);
        return record;
    }

    void tell(BatchCard &record) {
        record.finished = std::chrono::system_clock::now();
        ++tally_.cards;
        switch (record.result) {
            case BatchResult::Written:
                ++tally_.written;
                break;
            case BatchResult::Verified:
                ++tally_.verified;
                break;
            case BatchResult::Failed:
                ++tally_.failed;
                break;
            case BatchResult::SkippedDuplicate:
                ++tally_.duplicates;
                break;
            case BatchResult::Partial:
                ++tally_.partial;
                break;
        }
        if (events_.done) events_.done(record);
    }

    ReaderSession &session_;
    CardJob &job_;
    std::set<cardkit::Bytes> &done_;
    const BatchSettings &settings_;
    const std::atomic<bool> *finish_;
    const BatchEvents &events_;
    FieldWatch watch_;
    BatchTally tally_;
};

}  // namespace

BatchTally run_batch(ReaderSession &session, CardJob &job, std::set<cardkit::Bytes> &done,
                     const BatchSettings &settings, const std::atomic<bool> *finish,
                     const BatchEvents &events) {
    return Batch(session, job, done, settings, finish, events).run();
}

}  // namespace cardwork
