#pragma once

// The log of a batch: a CSV file (csv.h) with a header record and one record
// per card, each written whole with one write and synced to the disk (fsync)
// before the next card is looked for. A log that exists is appended to, never
// truncated; it gets the header only when it is new or empty.

#include <string>

#include "csv.h"

namespace rfcard {

class BatchLog {
public:
    // time, uid, card_type, result, written_count, written_blocks,
    // differing_blocks, in_doubt_block, function, error.
    static const CsvRecord &header();

    // Opens `path` to append, creating it. ToolError (kExitBadInput) when it
    // cannot be opened or read, or when its first line is not the header: a
    // file that is no batch log is never written to. A last record left without
    // its line end is ended first, so the next starts a line of its own.
    explicit BatchLog(const std::string &path);
    ~BatchLog();
    BatchLog(const BatchLog &) = delete;
    BatchLog &operator=(const BatchLog &) = delete;

    // ToolError (kExitBadInput) when it cannot be written whole and synced.
    void append(const CsvRecord &record);

    const std::string &path() const { return path_; }

private:
    // The header for a new file; the checks of one that exists.
    void prepare();
    void write_all(const std::string &bytes);

    std::string path_;
    int fd_ = -1;
};

}  // namespace rfcard
