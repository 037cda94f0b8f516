#pragma once

// What a workbench window takes from the place it runs in, so that tests can
// put it elsewhere: where the keys found on cards are remembered.

#include <filesystem>

#include "cardwork/key_memory.h"

namespace tilvane {

struct WorkbenchOptions {
    // Shared with rfcard; empty remembers nothing.
    std::filesystem::path key_memory = cardwork::KeyMemory::default_directory();
};

}  // namespace tilvane
