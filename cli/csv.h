#pragma once

// Comma-separated values as RFC 4180 has them: records ended by CR LF, fields
// separated by commas, a field in double quotes when it holds a comma, a double
// quote, CR or LF, and each double quote inside such a field doubled.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rfcard {

using CsvRecord = std::vector<std::string>;

// One field as it is written: quoted only when it must be.
std::string csv_field(std::string_view text);
// The fields joined by commas, with the CR LF that ends a record.
std::string csv_record(const CsvRecord &fields);

// The records of `text`. A record ends at CR LF or at LF alone (as many programs
// write them), and the last one may end without either; a quoted field may
// hold both. Empty lines are passed over. nullopt, with `error` saying where,
// for a quoted field that never ends, a character after a closing quote, a
// quote inside an unquoted field, or a CR outside quotes that ends no record.
std::optional<std::vector<CsvRecord>> parse_csv(std::string_view text, std::string &error);

}  // namespace rfcard
