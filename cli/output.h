#pragma once

// What a command tells its user: lines of text on standard output, or with
// --json one JSON document there (the result, or {"error": ...}); warnings and
// errors on standard error in either case, so a pipe gets only the result.

#include <nlohmann/json.hpp>

#include <string>

#include "cardwork/card_error.h"
#include "tool_error.h"

namespace rfcard {

using Json = nlohmann::ordered_json;

class Output {
public:
    explicit Output(bool json) : json_(json) {}

    bool json() const { return json_; }
    // The JSON result a command fills.
    Json &data() { return data_; }
    // A line of the text result; nothing in JSON mode.
    void text(const std::string &line);
    // When the data itself goes to standard output, the text goes to standard error.
    void keep_stdout_for_data() { text_to_stderr_ = true; }
    // Standard error at once, and the JSON result's "warnings".
    void warn(const std::string &warning);
    // The JSON document, in JSON mode.
    void finish();
    // JSON Lines instead of one document: the command writes its objects with
    // line(), finish() adds nothing, and fail() writes the error as one line.
    void use_json_lines() { json_lines_ = true; }
    // One object on one line of standard output, flushed at once.
    void line(const Json &object);
    // The message on standard error, and in JSON mode {"error": {...}} as the
    // document (with "function", "result" and "meaning" for a library call).
    void fail(const ToolError &error);
    void fail(const cardwork::CardError &error);
    // Work that stopped part way and still ends with a result (what it read or
    // wrote): the message on standard error, and the result's "stopped" with
    // the same fields as an error.
    void stopped(const cardwork::CardError &error);

private:
    void fail(const std::string &message, ExitCode code, Json details);
    static Json call_details(const cardwork::CardError &error);

    bool json_;
    bool text_to_stderr_ = false;
    bool json_lines_ = false;
    Json data_ = Json::object();
};

}  // namespace rfcard
