// Feeds arbitrary bytes to the reading of a command history file. Besides the
// sanitizers it checks what reading promises: at most 201 entries, no two equal
// neighbours, every entry a command's hex text, and a history written back reads
// as the same history.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "common/cos_history.h"
#include "common/cos_history_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char *>(data), size));
    const tilvane::CosHistory history = tilvane::ReadCosHistory(in);

    if (history.size() > tilvane::CosHistory::kMaxEntries) std::abort();
    const std::string *previous = nullptr;
    for (const std::string &entry : history.entries()) {
        if (!tilvane::IsCosHistoryEntry(entry)) std::abort();
        if (previous != nullptr && *previous == entry) std::abort();
        previous = &entry;
    }

    std::istringstream again(tilvane::EncodeCosHistory(history));
    if (!(tilvane::ReadCosHistory(again) == history)) std::abort();
    return 0;
}
