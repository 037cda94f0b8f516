#pragma once

// Writing a dump's pages to a Mifare Ultralight: the data pages 4 to 15 always;
// the one-time-programmable page 3 and the lock bytes of page 2 only on request,
// since the card only ever sets their bits (a set lock bit refuses that page's
// writes for good). Those go last: the OTP page, then the lock bytes, so that no
// lock set by the dump refuses a page the dump still has to write. Pages 0 and 1
// and the first two bytes of page 2 are the card's UID and are never written.

#include <optional>
#include <vector>

#include "cardkit/dump.h"
#include "cardwork/card_error.h"
#include "cardwork/mifare_restore.h"
#include "cardwork/progress.h"
#include "cardwork/reader_session.h"
#include "cardwork/type_a.h"

namespace cardwork {

struct UltralightWriteOptions {
    bool include_locks = false;  // page 3 (OTP) and the lock bytes of page 2
    bool verify = false;
};

// Pages 4 to 15.
inline constexpr int kUltralightFirstDataPage = 4;
inline constexpr int kUltralightOtpPage = 3;
inline constexpr int kUltralightLockPage = 2;

struct PageWriteReport {
    std::vector<int> written;            // pages, in the order written, each confirmed
    std::vector<BlockNote> skipped;      // not written, and why
    int verified = 0;                    // written pages read back
    std::vector<BlockNote> differences;  // what read back otherwise
    // The page whose write was sent when the line failed: it may or may not
    // hold the dump's bytes now.
    std::optional<int> in_doubt;
    // The last write the card refused (a locked page), when one was.
    std::optional<CardError> refused;
};

// What a write of `dump` would do beyond data pages: the OTP page and the lock
// bytes, when asked for and the dump holds them. CardError (DumpUnusable) when
// the dump is no Ultralight dump.
struct UltralightPrivilegedWrites {
    bool otp = false;
    bool lock_bytes = false;
};
UltralightPrivilegedWrites check_ultralight_writable(const cardkit::CardDump &dump,
                                                     const UltralightWriteOptions &options);

struct PageWriteOutcome {
    PageWriteReport report;
    // A failed call, the card gone, the caller's cancellation, a dump
    // check_ultralight_writable refuses (then nothing was written).
    std::optional<CardError> stopped;
};

// Writes `dump` to `card`, selected. `progress` is told before each page, in
// pages of the work, and once at the end. A page the card refuses (locked) is
// noted and the card selected again for the next.
PageWriteOutcome write_ultralight_card(ReaderSession &session, const TypeACard &card,
                                       const cardkit::CardDump &dump,
                                       const UltralightWriteOptions &options,
                                       const ProgressCallback &progress = {});

}  // namespace cardwork
