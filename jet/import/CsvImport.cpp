#include "jet/import/CsvImport.h"

#include "jet/Error.h"
#include "jet/import/ColumnGuess.h"
#include "jet/import/CsvReader.h"
#include "jet/import/CsvValue.h"
#include "jet/text/Text.h"
#include "jet/write/StoreSource.h"
#include "jet/write/TableWriter.h"

#include <algorithm>

namespace jet {
namespace {

constexpr std::size_t kProgressEvery = 1000;

constexpr std::size_t kShownBytes = 40;

// Raises `e` as the refusal of the whole import for the record at `line`,
// showing the field it is about, if one.
[[noreturn]] void refuseLine(std::size_t line, const Error& e, const CsvField* field = nullptr) {
    std::string shown;
    if (field) {
        std::size_t cut = std::min(field->text.size(), kShownBytes);
        while (cut < field->text.size() && cut > 0 && (static_cast<unsigned char>(field->text[cut]) & 0xC0) == 0x80)
            --cut;  // not inside a character
        shown = " The field reads '" + field->text.substr(0, cut) + (cut < field->text.size() ? "...'." : "'.");
    }
    throw Error(e.number(), "Line " + std::to_string(line) + " of the CSV: " + e.description() + shown +
                                " Nothing was imported.");
}

std::vector<std::string> headerNames(const std::vector<CsvRecord>& records) {
    if (records.empty())
        throw Error(InvalidArgument, "The CSV is empty: its first line names the columns.");
    std::vector<std::string> names;
    for (const CsvField& f : records[0].fields) {
        if (f.text.empty())
            throw Error(InvalidArgument, "Line 1 of the CSV names a column with an empty name.");
        for (const auto& earlier : names)
            if (equalsIgnoreCase(earlier, f.text))
                throw Error(InvalidArgument, "Line 1 of the CSV names column '" + f.text + "' twice.");
        names.push_back(f.text);
    }
    for (std::size_t n = 1; n < records.size(); ++n)
        if (records[n].fields.size() != names.size())
            throw Error(InvalidArgument, "Line " + std::to_string(records[n].line) + " of the CSV has " +
                                             std::to_string(records[n].fields.size()) +
                                             (records[n].fields.size() == 1 ? " field" : " fields") +
                                             " where line 1 names " + std::to_string(names.size()) +
                                             " columns. Nothing was imported.");
    return names;
}

}  // namespace

ImportResult importCsv(const std::string& path, const std::string& table, std::string_view csv,
                       const ImportOptions& options) {
    std::vector<CsvRecord> records = readCsv(csv);
    const std::vector<std::string> names = headerNames(records);
    records.erase(records.begin());

    ImportResult result;
    runStore(
        path,
        [&](PageStore& pages) {
            if (!openStoreDatabase(pages)->findTable(table)) {
                result.created = guessTable(table, names, records);
                createTable(pages, *result.created);
            }
            TableWriter writer(pages, table);
            const TableDef& def = writer.definition();
            std::vector<std::size_t> target;  // the table's column of each CSV column
            for (const std::string& name : names) {
                const ColumnDef* c = def.findColumn(name);
                if (!c)
                    throw Error(FieldNotFound, "Line 1 of the CSV names column '" + name + "', which table '" +
                                                   writer.tableName() + "' does not have.");
                target.push_back(static_cast<std::size_t>(c - def.columns.data()));
            }
            // Fields the CSV does not name get their default values.
            // (made again for each row when one varies: Now(), GenGUID()).
            std::vector<Value> row = writer.newRow();
            const bool varying = writer.defaultsVary();
            for (const CsvRecord& r : records) {
                if (varying && &r != &records.front())
                    row = writer.newRow();
                for (std::size_t n = 0; n < target.size(); ++n) {
                    try {
                        row[target[n]] = csvValue(def.columns[target[n]], r.fields[n]);
                    } catch (const Error& e) {
                        refuseLine(r.line, e, &r.fields[n]);
                    }
                }
                try {
                    writer.insert(row);
                } catch (const Error& e) {
                    refuseLine(r.line, e);
                }
                if (++result.rows % kProgressEvery == 0 && options.progress)
                    options.progress(result.rows, records.size());
            }
            if (options.progress)
                options.progress(result.rows, records.size());
        },
        options.store);
    return result;
}

}  // namespace jet
