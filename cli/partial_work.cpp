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

std::string block_ranges(const std::vector<int> &blocks) {
    std::string text;
    for (std::size_t i = 0; i < blocks.size();) {
        std::size_t end = i;
        while (end + 1 < blocks.size() && blocks[end + 1] == blocks[end] + 1) ++end;
        if (!text.empty()) text += ", ";
        text += std::to_string(blocks[i]);
        if (end > i) text += "-" + std::to_string(blocks[end]);
        i = end + 1;
    }
    return text;
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
                  << " not read, unknown in the dump: " << block_ranges(unread) << "\n";
    }
    if (stopped) return stopped_status(*stopped);
    return unread.empty() ? kExitDone : kExitIncomplete;
}

}  // namespace rfcard
