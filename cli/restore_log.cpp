#include "restore_log.h"

#include <nlohmann/json.hpp>

#include <cstdio>

#include "dump_files.h"
#include "tool_error.h"
#include "whole_files.h"

namespace rfcard {

namespace {

constexpr const char *kMark = "rfcard_restore_log";
constexpr int kVersion = 1;

}  // namespace

std::string content_digest(std::string_view content) {
    // FNV-1a, 64 bits: enough to tell two dumps apart, no secret to keep.
    std::uint64_t hash = 0xCBF29CE484222325u;
    for (const char c : content) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001B3u;
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

RestoreLog read_restore_log(const std::string &path) {
    const std::string content = read_input_file(path);
    const auto document = nlohmann::json::parse(content, nullptr, false);
    const auto refuse = [&](const std::string &why) {
        return ToolError(kExitBadInput, path + " is no restore log rfcard wrote: " + why);
    };
    if (document.is_discarded() || !document.is_object()) throw refuse("not a JSON object");
    if (document.value(kMark, 0) != kVersion) throw refuse(std::string("no \"") + kMark + "\": 1");
    RestoreLog log;
    try {
        log.dump = document.at("dump").get<std::string>();
        log.dump_digest = document.at("dump_digest").get<std::string>();
        log.uid = document.at("uid").get<std::string>();
        log.written = document.at("written").get<std::vector<int>>();
        log.not_written = document.value("not_written", std::vector<int>{});
        if (document.contains("in_doubt") && !document["in_doubt"].is_null())
            log.in_doubt = document["in_doubt"].get<int>();
        log.complete = document.value("complete", false);
    } catch (const nlohmann::json::exception &error) {
        throw refuse(error.what());
    }
    for (const int block : log.written) {
        if (block < 0 || block > 255) throw refuse("block " + std::to_string(block));
    }
    return log;
}

void write_restore_log(const std::string &path, const RestoreLog &log) {
    const nlohmann::ordered_json document = {
        {kMark, kVersion},
        {"dump", log.dump},
        {"dump_digest", log.dump_digest},
        {"uid", log.uid},
        {"written", log.written},
        {"in_doubt", log.in_doubt ? nlohmann::ordered_json(*log.in_doubt) : nullptr},
        {"not_written", log.not_written},
        {"complete", log.complete},
    };
    write_whole_file(path, document.dump(2) + "\n", Secrecy::Plain);
}

std::string default_restore_log(const std::string &dump_path, const std::string &uid) {
    if (dump_path.empty() || dump_path == "-") return "rfcard-restore-" + uid + ".log";
    return dump_path + ".restore-log";
}

}  // namespace rfcard
