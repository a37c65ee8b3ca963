// Any bytes read as CSV: either refused with the engine's error, or records
// whose fields, written again all quoted, read back the same, on lines that
// never go backwards.
#include "jet/Error.h"
#include "jet/import/CsvReader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<jet::CsvRecord> records;
    try {
        records = jet::readCsv({reinterpret_cast<const char*>(data), size});
    } catch (const jet::Error&) {
        return 0;
    }
    std::string again;
    std::size_t line = 0;
    for (const auto& r : records) {
        if (r.fields.empty() || r.line <= line)
            std::abort();
        line = r.line;
        for (std::size_t n = 0; n < r.fields.size(); ++n) {
            again += n ? ",\"" : "\"";
            for (const char c : r.fields[n].text)
                again += c == '"' ? std::string("\"\"") : std::string(1, c);
            again += '"';
        }
        again += "\r\n";
    }
    const auto reread = jet::readCsv(again);
    if (reread.size() != records.size())
        std::abort();
    for (std::size_t r = 0; r < records.size(); ++r) {
        if (reread[r].fields.size() != records[r].fields.size())
            std::abort();
        for (std::size_t n = 0; n < records[r].fields.size(); ++n)
            if (reread[r].fields[n].text != records[r].fields[n].text || !reread[r].fields[n].quoted)
                std::abort();
    }
    return 0;
}
