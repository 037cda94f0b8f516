#include "cli/output.h"

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
    if (json_) std::cout << data_.dump(2) << std::endl;
    std::cout.flush();
}

void Output::fail(const ToolError &error) {
    std::cerr << "rfcard: " << error.what() << "\n";
    if (!json_) return;
    Json details = {{"message", error.what()}, {"exit_code", static_cast<int>(error.code())}};
    if (const auto *reader = dynamic_cast<const ReaderError *>(&error)) {
        details["function"] = reader->function();
        details["result"] = reader->result();
        details["meaning"] = reader->meaning();
    }
    Json document = {{"error", details}};
    if (data_.contains("warnings")) document["warnings"] = data_["warnings"];
    std::cout << document.dump(2) << std::endl;
}

}  // namespace rfcard
