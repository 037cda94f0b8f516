#include "batch_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "tool_error.h"

namespace rfcard {

namespace {

// The first line of the header and no more: enough to tell a batch log.
constexpr std::size_t kHeadRead = 512;

}  // namespace

const CsvRecord &BatchLog::header() {
    static const CsvRecord kHeader = {"time",
                                      "uid",
                                      "card_type",
                                      "result",
                                      "written_count",
                                      "written_blocks",
                                      "differing_blocks",
                                      "in_doubt_block",
                                      "function",
                                      "error"};
    return kHeader;
}

BatchLog::BatchLog(const std::string &path) : path_(path) {
    fd_ = ::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ < 0) {
        throw ToolError(kExitBadInput, "cannot open the log " + path + ": " + std::strerror(errno));
    }
    try {
        prepare();
    } catch (...) {
        ::close(fd_);
        throw;
    }
}

void BatchLog::prepare() {
    struct stat status {};
    if (::fstat(fd_, &status) != 0 || !S_ISREG(status.st_mode)) {
        throw ToolError(kExitBadInput, "the log " + path_ + " is not a regular file");
    }
    if (status.st_size == 0) {
        write_all(csv_record(header()));
        return;
    }
    std::string head(kHeadRead, '\0');
    const ssize_t got = ::pread(fd_, head.data(), head.size(), 0);
    char last = '\0';
    if (got <= 0 || ::pread(fd_, &last, 1, status.st_size - 1) != 1) {
        throw ToolError(kExitBadInput,
                        "cannot read the log " + path_ + ": " + std::strerror(errno));
    }
    head.resize(static_cast<std::size_t>(got));
    std::string wanted = csv_record(header());
    wanted.erase(wanted.size() - 2);  // the line end: LF alone is taken too
    const std::size_t end = head.find('\n');
    std::string first = head.substr(0, end);
    if (!first.empty() && first.back() == '\r') first.pop_back();
    if (end == std::string::npos || first != wanted) {
        throw ToolError(kExitBadInput, path_ + " is no batch log (its first line is not \"" +
                                           wanted + "\"): give a new file or an earlier log");
    }
    if (last != '\n') write_all("\r\n");
}

BatchLog::~BatchLog() {
    if (fd_ >= 0) ::close(fd_);
}

void BatchLog::append(const CsvRecord &record) { write_all(csv_record(record)); }

void BatchLog::write_all(const std::string &bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) {
            throw ToolError(kExitBadInput,
                            "cannot write the log " + path_ + ": " + std::strerror(errno));
        }
        done += static_cast<std::size_t>(wrote);
    }
    if (::fsync(fd_) != 0) {
        throw ToolError(kExitBadInput,
                        "cannot write the log " + path_ + " to the disk: " + std::strerror(errno));
    }
}

}  // namespace rfcard
