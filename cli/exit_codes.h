#pragma once

// rfcard's exit status. Scripts branch on these, so the values never change; the
// README lists the same table.

namespace rfcard {

enum ExitCode : int {
    kExitDone = 0,
    // A library call failed: the reader, the card or the line. The message names
    // the function, its result and what that means.
    kExitReaderFailed = 1,
    kExitUsage = 2,
    // A file is missing, unreadable, a folder or cannot be written (the message
    // names it and says why), or a file or bytes given on the command line are
    // not what they claim to be.
    kExitBadInput = 3,
    // libDrovik.so is missing beside the program or lacks an export.
    kExitNoLibrary = 4,
    // Done, but not all of it: sectors left unknown, blocks that read back
    // differently or were not written, dumps that differ, a card of a batch
    // that failed or was left partial; or a dump or restore that stopped part
    // way (the card or reader gone), its file written with what was read, or
    // its blocks written and not written reported and logged.
    kExitIncomplete = 5,
    // The operator did not confirm a write of block 0 or of trailers.
    kExitDeclined = 6,
    // Ctrl-C; a dump still writes what it read, a restore reports and logs.
    kExitInterrupted = 130,
};

}  // namespace rfcard
