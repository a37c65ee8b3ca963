#include "jet/import/CsvReader.h"

#include "jet/Error.h"
#include "jet/text/Text.h"

#include <algorithm>

namespace jet {
namespace {

[[noreturn]] void malformed(std::size_t line, const std::string& what) {
    throw Error(InvalidArgument, "Line " + std::to_string(line) + " of the CSV " + what + ".");
}

// The line ends in `s` (CR LF, LF or CR).
std::size_t lineEnds(std::string_view s) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < s.size(); ++i)
        if (s[i] == '\n' || (s[i] == '\r' && (i + 1 >= s.size() || s[i + 1] != '\n')))
            ++n;
    return n;
}

class Parser {
public:
    explicit Parser(std::string_view csv) : s_(csv) {}

    std::vector<CsvRecord> records() {
        std::vector<CsvRecord> out;
        while (at_ < s_.size()) {
            CsvRecord r;
            r.line = line_;
            bool more = true;
            while (more) {
                r.fields.emplace_back();
                more = field(r.fields.back());
            }
            out.push_back(std::move(r));
        }
        return out;
    }

private:
    // Reads one field; returns whether another field of the record follows.
    bool field(CsvField& f) {
        if (at_ < s_.size() && s_[at_] == '"') {
            f.quoted = true;
            const std::size_t opened = line_;
            ++at_;
            for (;;) {
                const std::size_t quote = s_.find('"', at_);
                if (quote == std::string_view::npos)
                    malformed(opened, "opens a quoted field that is never closed");
                line_ += lineEnds(s_.substr(at_, quote - at_));
                f.text.append(s_.substr(at_, quote - at_));
                at_ = quote + 1;
                if (at_ < s_.size() && s_[at_] == '"') {
                    f.text += '"';
                    ++at_;
                    continue;
                }
                break;
            }
            if (at_ < s_.size() && s_[at_] != ',' && s_[at_] != '\r' && s_[at_] != '\n')
                malformed(line_, "has text after the closing quote of a field");
        } else {
            const std::size_t end = std::min(s_.find_first_of(",\r\n", at_), s_.size());
            const std::string_view text = s_.substr(at_, end - at_);
            if (text.find('"') != std::string_view::npos)
                malformed(line_, "has a quote inside a field that does not start with one");
            f.text.assign(text);
            at_ = end;
        }
        return separator();
    }

    // Passes a comma (true) or a line end or the end of the input (false).
    bool separator() {
        if (at_ >= s_.size())
            return false;
        const char c = s_[at_++];
        if (c == ',')
            return true;
        if (c == '\r' && at_ < s_.size() && s_[at_] == '\n')
            ++at_;
        ++line_;
        return false;
    }

    std::string_view s_;
    std::size_t at_ = 0;
    std::size_t line_ = 1;
};

}  // namespace

std::vector<CsvRecord> readCsv(std::string_view csv) {
    if (csv.starts_with("\xEF\xBB\xBF"))
        csv.remove_prefix(3);
    if (const std::size_t bad = firstInvalidUtf8(csv); bad != std::string_view::npos) {
        malformed(1 + lineEnds(csv.substr(0, bad)), "is not UTF-8 text (convert the file to UTF-8 first)");
    }
    return Parser(csv).records();
}

}  // namespace jet
