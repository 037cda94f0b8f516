#include "partial_work.h"

#include <iostream>

namespace rfcard {

std::vector<int> unread_blocks(const cardkit::CardDump &dump) {
    std::vector<int> blocks;
    for (int block = 0; block < dump.block_count(); ++block) {
        if (dump.block_unknown(block)) blocks.push_back(block);
    }
    return blocks;
}

int stopped_status(const cardwork::CardError &stopped) {
    switch (stopped.kind()) {
        case cardwork::CardErrorKind::Cancelled:
            return kExitInterrupted;
        case cardwork::CardErrorKind::DumpUnusable:
            return kExitBadInput;
        case cardwork::CardErrorKind::ReaderFailed:
        case cardwork::CardErrorKind::CardUnusable:
            break;
    }
    return kExitIncomplete;
}

int dump_status(Output &out, const cardkit::CardDump &dump,
                const std::optional<cardwork::CardError> &stopped) {
    const std::vector<int> unread = unread_blocks(dump);
    out.data()["unread_blocks"] = unread;
    if (!unread.empty()) {
        std::cerr << "rfcard: " << unread.size() << (unread.size() == 1 ? " block" : " blocks")
                  << " not read, unknown in the dump: " << cardkit::number_ranges(unread) << "\n";
    }
    if (stopped) return stopped_status(*stopped);
    return unread.empty() ? kExitDone : kExitIncomplete;
}

}  // namespace rfcard
