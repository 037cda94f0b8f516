#include "output.h"

#include <iostream>

namespace rfcard {

void Output::text(const std::string &line) {
    if (!json_) (text_to_stderr_ ? std::cerr : std::cout) << line << "\n";
}

void Output::warn(const std::string &warning) {
    std::cerr << "rfcard: warning: " << warning << "\n";
    if (json_) data_["warnings"].push_back(warning);
}

void Output::finish() {
    if (json_ && !json_lines_) std::cout << data_.dump(2) << std::endl;
    std::cout.flush();
}

void Output::line(const Json &object) { std::cout << object.dump() << std::endl; }

void Output::fail(const ToolError &error) { fail(error.what(), error.code(), Json::object()); }

Json Output::call_details(const cardwork::CardError &error) {
    Json call = Json::object();
    if (!error.function().empty()) {
        call["function"] = error.function();
        call["result"] = error.result();
        call["meaning"] = error.meaning();
    }
    return call;
}

void Output::fail(const cardwork::CardError &error) {
    fail(message_of(error), exit_code_of(error), call_details(error));
}

void Output::stopped(const cardwork::CardError &error) {
    std::cerr << "rfcard: stopped part way: " << message_of(error) << "\n";
    Json details = {{"message", message_of(error)}};
    details.update(call_details(error));
    data_["stopped"] = std::move(details);
}

void Output::fail(const std::string &message, ExitCode code, Json call) {
    std::cerr << "rfcard: " << message << "\n";
    if (!json_) return;
    Json details = {{"message", message}, {"exit_code", static_cast<int>(code)}};
    details.update(call);
    Json document = {{"error", details}};
    if (data_.contains("warnings")) document["warnings"] = data_["warnings"];
    std::cout << document.dump(json_lines_ ? -1 : 2) << std::endl;
}

}  // namespace rfcard
