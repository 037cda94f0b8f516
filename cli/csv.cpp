#include "csv.h"

namespace rfcard {

std::string csv_field(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string csv_record(const CsvRecord &fields) {
    std::string record;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) record += ',';
        record += csv_field(fields[i]);
    }
    return record + "\r\n";
}

namespace {

class CsvReader {
public:
    explicit CsvReader(std::string_view text) : text_(text) {}

    std::optional<std::vector<CsvRecord>> read(std::string &error) {
        while (at_ < text_.size()) {
            if (!step()) {
                error = "line " + std::to_string(line_) + ": " + problem_;
                return std::nullopt;
            }
        }
        if (in_quotes_) {
            error = "line " + std::to_string(quote_line_) + ": a quoted field that never ends";
            return std::nullopt;
        }
        end_record();
        return std::move(records_);
    }

private:
    bool step() {
        const char c = text_[at_++];
        if (in_quotes_) {
            if (c != '"') {
                if (c == '\n') ++line_;
                field_ += c;
            } else if (at_ < text_.size() && text_[at_] == '"') {
                field_ += '"';
                ++at_;
            } else {
                in_quotes_ = false;
                closed_ = true;
            }
            return true;
        }
        switch (c) {
            case '"':
                if (!field_.empty() || closed_) return fail("a quote inside an unquoted field");
                in_quotes_ = started_ = true;
                quote_line_ = line_;
                return true;
            case ',':
                record_.push_back(std::move(field_));
                field_.clear();
                closed_ = false;
                started_ = true;
                return true;
            case '\r':
                if (at_ >= text_.size() || text_[at_] != '\n')
                    return fail("a CR outside quotes that ends no record");
                return true;
            case '\n':
                end_record();
                ++line_;
                return true;
            default:
                if (closed_) return fail("a character after a closing quote");
                field_ += c;
                started_ = true;
                return true;
        }
    }

    void end_record() {
        if (started_) {
            record_.push_back(std::move(field_));
            records_.push_back(std::move(record_));
        }
        record_.clear();
        field_.clear();
        started_ = closed_ = false;
    }

    bool fail(std::string problem) {
        problem_ = std::move(problem);
        return false;
    }

    std::string_view text_;
    std::size_t at_ = 0;
    int line_ = 1;
    int quote_line_ = 1;
    bool in_quotes_ = false;
    bool closed_ = false;   // the field's closing quote is behind
    bool started_ = false;  // the record has begun: not an empty line
    std::string field_;
    CsvRecord record_;
    std::vector<CsvRecord> records_;
    std::string problem_;
};

}  // namespace

std::optional<std::vector<CsvRecord>> parse_csv(std::string_view text, std::string &error) {
    return CsvReader(text).read(error);
}

}  // namespace rfcard
