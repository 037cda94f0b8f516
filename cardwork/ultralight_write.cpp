#include "cardwork/ultralight_write.h"

#include <algorithm>
#include <array>
#include <map>

namespace cardwork {

namespace {

using cardkit::ByteView;

constexpr int kPageSize = 4;
constexpr int kPages = 16;
// A read answers four pages from the one asked for.
constexpr int kPagesARead = 4;
// Bytes 2 and 3 of page 2.
constexpr int kLockBytesOffset = 2;

using FourPages = std::array<std::uint8_t, kPageSize * kPagesARead>;

std::string page_name(int page) { return "page " + std::to_string(page); }

// The bits of `wanted` that `back` lacks, or none; the card only ever sets bits
// of the OTP page and the lock bytes, so those read back as at least `wanted`.
bool lacks_bits(ByteView wanted, ByteView back) {
    for (std::size_t i = 0; i < wanted.size(); ++i) {
        if ((back[i] & wanted[i]) != wanted[i]) return true;
    }
    return false;
}

class PageWriter {
public:
    PageWriter(ReaderSession &session, const TypeACard &card, PageWriteReport &report)
        : session_(session), card_(card), report_(report) {}

    void write(int page, ByteView data) {
        if (!selected_) reselect(session_, card_);
        selected_ = true;
        const std::int32_t result = CARDWORK_TRY(session_, rf_ul_write, page, data.data());
        if (result == 0) {
            report_.written.push_back(page);
            return;
        }
        CardError error = CardError::call("rf_ul_write", result, page_name(page));
        if (result == kNotAllowed) {
            // A locked page; the card fell back after refusing it.
            selected_ = false;
            report_.skipped.push_back({page, "the card refused the write: the page is locked"});
            report_.refused = std::move(error);
            return;
        }
        if (outcome_unknown(error)) report_.in_doubt = page;
        throw error;
    }

    // Pages `first` to `first` + 3 as the card holds them.
    const FourPages &read(int first) {
        const auto cached = pages_read_.find(first);
        if (cached != pages_read_.end()) return cached->second;
        if (!selected_) reselect(session_, card_);
        selected_ = true;
        FourPages data{};
        std::uint8_t length = 0;
        const std::int32_t result = CARDWORK_TRY(session_, rf_M1_read, first, data.data(), &length);
        if (result != 0) throw CardError::call("rf_M1_read", result, page_name(first));
        return pages_read_[first] = data;
    }

    // Forgets what was read, before pages are written again.
    void forget_reads() { pages_read_.clear(); }

private:
    ReaderSession &session_;
    const TypeACard &card_;
    PageWriteReport &report_;
    bool selected_ = true;
    std::map<int, FourPages> pages_read_;
};

// One page to write: its bytes, and whether the card sets bits rather than
// taking the bytes as they are.
struct PageToWrite {
    int page;
    std::array<std::uint8_t, kPageSize> data;
    bool bits_only;
};

std::array<std::uint8_t, kPageSize> page_bytes(const cardkit::CardDump &dump, int page) {
    const ByteView bytes = dump.block(page);
    return {bytes[0], bytes[1], bytes[2], bytes[3]};
}

void verify(PageWriter &writer, const std::vector<PageToWrite> &pages, PageWriteReport &report) {
    writer.forget_reads();
    for (const PageToWrite &wanted : pages) {
        if (std::find(report.written.begin(), report.written.end(), wanted.page) ==
            report.written.end()) {
            continue;
        }
        const int first = wanted.page - wanted.page % kPagesARead;
        const FourPages &four = writer.read(first);
        const ByteView back = ByteView(four).subspan(
            static_cast<std::size_t>((wanted.page - first) * kPageSize), kPageSize);
        ++report.verified;
        // Only the lock bytes of page 2 were asked for.
        const std::size_t from = wanted.page == kUltralightLockPage ? kLockBytesOffset : 0;
        const ByteView wrote = ByteView(wanted.data).subspan(from);
        const ByteView read = back.subspan(from);
        const bool differs = wanted.bits_only
                                 ? lacks_bits(wrote, read)
                                 : !std::equal(wrote.begin(), wrote.end(), read.begin());
        if (differs) {
            report.differences.push_back({wanted.page, "wrote " + cardkit::to_hex(wrote) +
                                                           ", read back " + cardkit::to_hex(read)});
        }
    }
}

}  // namespace

UltralightPrivilegedWrites check_ultralight_writable(const cardkit::CardDump &dump,
                                                     const UltralightWriteOptions &options) {
    if (dump.family() != cardkit::CardFamily::Ultralight || dump.block_count() != kPages) {
        throw CardError(CardErrorKind::DumpUnusable,
                        "the dump holds a " + dump.description() + ", not a Mifare Ultralight");
    }
    UltralightPrivilegedWrites writes;
    if (!options.include_locks) return writes;
    writes.otp = dump.block_known(kUltralightOtpPage);
    writes.lock_bytes = dump.byte_known(kUltralightLockPage, kLockBytesOffset) &&
                        dump.byte_known(kUltralightLockPage, kLockBytesOffset + 1);
    return writes;
}

PageWriteOutcome write_ultralight_card(ReaderSession &session, const TypeACard &card,
                                       const cardkit::CardDump &dump,
                                       const UltralightWriteOptions &options,
                                       const ProgressCallback &progress) {
    PageWriteOutcome outcome;
    PageWriteReport &report = outcome.report;
    PageWriter writer(session, card, report);
    try {
        const UltralightPrivilegedWrites privileged = check_ultralight_writable(dump, options);
        std::vector<PageToWrite> pages;
        for (int page = kUltralightFirstDataPage; page < kPages; ++page) {
            if (dump.block_known(page)) {
                pages.push_back({page, page_bytes(dump, page), false});
            } else if (!dump.block_unknown(page)) {
                report.skipped.push_back({page, "not written: the dump holds only part of it"});
            }
        }
        if (privileged.otp) {
            pages.push_back({kUltralightOtpPage, page_bytes(dump, kUltralightOtpPage), true});
        }
        if (privileged.lock_bytes) {
            // The UID bytes as the card has them: it keeps its own whatever comes.
            const FourPages &head = writer.read(0);
            std::array<std::uint8_t, kPageSize> lock = page_bytes(dump, kUltralightLockPage);
            lock[0] = head[kUltralightLockPage * kPageSize];
            lock[1] = head[kUltralightLockPage * kPageSize + 1];
            pages.push_back({kUltralightLockPage, lock, true});
        }
        const int total = static_cast<int>(pages.size());
        const auto tell = [&](int done) {
            if (progress) {
                progress({WorkUnit::Block, done, total, std::nullopt, 0, session.exchanges()});
            }
        };
        for (int index = 0; index < total; ++index) {
            tell(index);
            writer.write(pages[static_cast<std::size_t>(index)].page,
                         pages[static_cast<std::size_t>(index)].data);
        }
        if (options.verify) verify(writer, pages, report);
        tell(total);
    } catch (const CardError &error) {
        outcome.stopped = error;
    }
    return outcome;
}

}  // namespace cardwork
