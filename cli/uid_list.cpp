#include "uid_list.h"

#include <algorithm>

#include "batch_log.h"
#include "dump_files.h"
#include "tool_error.h"

namespace rfcard {

namespace {

bool uid_size(std::size_t size) { return size == 4 || size == 7 || size == 10; }

std::set<cardkit::Bytes> uids_of_log(const std::string &path, const std::string &content) {
    std::string error;
    const auto records = parse_csv(content, error);
    if (!records) throw ToolError(kExitBadInput, path + ": " + error);
    const CsvRecord &header = BatchLog::header();
    const auto column = [&](const char *name) {
        return static_cast<std::size_t>(std::find(header.begin(), header.end(), name) -
                                        header.begin());
    };
    const std::size_t uid_column = column("uid"), result_column = column("result");
    std::set<cardkit::Bytes> uids;
    for (std::size_t row = 1; row < records->size(); ++row) {
        const CsvRecord &record = (*records)[row];
        if (record.size() != header.size()) {
            throw ToolError(kExitBadInput, path + ": record " + std::to_string(row + 1) + " has " +
                                               std::to_string(record.size()) + " fields, not " +
                                               std::to_string(header.size()));
        }
        const std::string &result = record[result_column];
        if (result != "written" && result != "verified") continue;
        const auto uid = cardkit::parse_hex(record[uid_column]);
        if (!uid || !uid_size(uid->size())) {
            throw ToolError(kExitBadInput, path + ": record " + std::to_string(row + 1) + ": \"" +
                                               record[uid_column] + "\" is no UID");
        }
        uids.insert(*uid);
    }
    return uids;
}

std::set<cardkit::Bytes> uids_of_list(const std::string &path, const std::string &content) {
    std::set<cardkit::Bytes> uids;
    std::size_t start = 0;
    for (int line = 1; start < content.size(); ++line) {
        std::size_t end = content.find('\n', start);
        if (end == std::string::npos) end = content.size();
        std::string text = content.substr(start, end - start);
        start = end + 1;
        text = text.substr(0, text.find('#'));
        std::string digits;
        for (const char c : text) {
            if (c != ' ' && c != '\t' && c != ':' && c != '\r') digits += c;
        }
        if (digits.empty()) continue;
        const auto uid = cardkit::parse_hex(digits);
        if (!uid || !uid_size(uid->size())) {
            throw ToolError(kExitBadInput, path + ":" + std::to_string(line) + ": \"" + text +
                                               "\" is no UID of 4, 7 or 10 bytes in hex");
        }
        uids.insert(*uid);
    }
    return uids;
}

}  // namespace

std::set<cardkit::Bytes> read_uid_list(const std::string &path) {
    const std::string content = read_input_file(path);
    const std::string log_start = csv_field(BatchLog::header()[0]) + "," + BatchLog::header()[1];
    if (content.starts_with(log_start + ",")) return uids_of_log(path, content);
    return uids_of_list(path, content);
}

}  // namespace rfcard
