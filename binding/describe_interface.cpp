// Writes the reader library's interface as JSON: every export with its ordinal,
// result and parameters, and the table of result meanings. Programs in other
// languages bind the library from it instead of declaring 76 functions by hand.
//
//   drovik-interface [FILE]     (standard output without FILE)

#include <fstream>
#include <iostream>
#include <nlohmann/json.hpp>

#include "binding/export_descriptions.h"
#include "binding/result_meaning.h"
#include "protocol/baud_rates.h"
#include "protocol/card_protocols.h"
#include "protocol/reader_status.h"

namespace {

std::string_view kind_name(binding::ParameterKind kind) {
    switch (kind) {
        case binding::ParameterKind::Value:
            return "value";
        case binding::ParameterKind::Input:
            return "input";
        case binding::ParameterKind::Output:
            return "output";
        case binding::ParameterKind::Count:
            return "count";
        case binding::ParameterKind::ValueOut:
            return "value-out";
        case binding::ParameterKind::Pointer:
            return "pointer";
    }
    return "";
}

std::string_view type_name(binding::ValueType type) {
    switch (type) {
        case binding::ValueType::Void:
            return "void";
        case binding::ValueType::U8:
            return "u8";
        case binding::ValueType::U16:
            return "u16";
        case binding::ValueType::I32:
            return "i32";
        case binding::ValueType::U32:
            return "u32";
    }
    return "";
}

nlohmann::json describe_export(const binding::ExportDescription &description) {
    nlohmann::json parameters = nlohmann::json::array();
    for (const binding::ParameterDescription &parameter : description.parameters) {
        nlohmann::json entry = {{"name", parameter.name},
                                {"kind", kind_name(parameter.kind)},
                                {"type", type_name(parameter.type)}};
        if (parameter.size > 0) entry["size"] = parameter.size;
        if (parameter.related >= 0) {
            const auto &related = description.parameters[parameter.related].name;
            entry[parameter.kind == binding::ParameterKind::Count ? "counts" : "size_from"] =
                related;
        }
        parameters.push_back(entry);
    }
    return {{"ordinal", description.ordinal},
            {"name", description.name},
            {"result", type_name(description.result)},
            {"parameters", parameters}};
}

nlohmann::json known_results(std::span<const binding::KnownResult> table) {
    nlohmann::json rows = nlohmann::json::array();
    for (const binding::KnownResult &known : table) {
        rows.push_back({{"code", known.code}, {"name", known.name}, {"text", known.text}});
    }
    return rows;
}

nlohmann::json describe_results() {
    nlohmann::json statuses = nlohmann::json::array();
    for (const protocol::ReaderStatus status : protocol::kReaderStatuses) {
        if (status == protocol::ReaderStatus::Ok) continue;
        const auto code = protocol::status_byte(status);
        statuses.push_back({{"code", code},
                            {"name", binding::result_meaning("", code).name},
                            {"text", binding::result_meaning("", code).text}});
    }
    const auto refused = binding::result_meaning("", 1);
    return {
        {"done", {{"code", 0}, {"text", binding::result_meaning("", 0).text}}},
        {"refused_argument", {{"code", 1}, {"text", refused.text}}},
        {"reader_statuses", statuses},
        {"transport", known_results(binding::transport_results())},
        {"system_error_functions", {"rf_init_com"}},
        {"port_open_reasons", known_results(binding::port_open_reasons())},
        {"select_steps",
         {{"function", "rf_getlockcardinfo"}, {"steps", known_results(binding::select_steps())}}}};
}

// The rates rf_init_com takes and the protocols rf_init_type selects, so that a
// binding can refuse another value before it reaches the library.
nlohmann::json describe_line_and_field() {
    nlohmann::json rates = nlohmann::json::array();
    for (const protocol::BaudRate &entry : protocol::kBaudRates) rates.push_back(entry.rate);
    const auto code = [](char type) { return static_cast<int>(type); };
    return {{"baud_rates", rates},
            {"card_protocols",
             {{"type_a", code(protocol::kProtocolTypeA)},
              {"type_b", code(protocol::kProtocolTypeB)},
              {"at88rf020", code(protocol::kProtocolAt88rf020)},
              {"short_range", code(protocol::kProtocolShortRange)},
              {"iso15693", code(protocol::kProtocolIso15693)}}},
            {"request_codes",
             {{"idle", protocol::kRequestIdle}, {"all", protocol::kRequestAll}}}};
}

}  // namespace

int main(int argc, char **argv) {
    nlohmann::json exports = nlohmann::json::array();
    for (const auto &description : binding::export_descriptions()) {
        exports.push_back(describe_export(description));
    }
    const nlohmann::json interface = {{"library", "Drovik"},
                                      {"exports", exports},
                                      {"results", describe_results()},
                                      {"reader", describe_line_and_field()}};
    const std::string text = interface.dump(1) + "\n";
    if (argc < 2) {
        std::cout << text;
        return std::cout ? 0 : 1;
    }
    std::ofstream out(argv[1], std::ios::binary);
    out << text;
    return out.flush() ? 0 : 1;
}
