#include "jet/table/CsvExport.h"

#include "jet/Error.h"
#include "jet/table/ColumnType.h"
#include "jet/table/ComplexValues.h"
#include "jet/table/TableCursor.h"
#include "jet/text/Text.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <optional>

namespace jet {
namespace {

void appendQuoted(std::string& out, std::string_view text) {
    if (text.find('"') == std::string_view::npos) {  // the common case, in one step
        const std::size_t at = out.size();
        out.resize(at + text.size() + 2);
        char* p = out.data() + at;
        *p = '"';
        text.copy(p + 1, text.size());
        p[text.size() + 1] = '"';
        return;
    }
    out += '"';
    for (std::size_t quote; (quote = text.find('"')) != std::string_view::npos; text.remove_prefix(quote + 1)) {
        out.append(text.data(), quote + 1);
        out += '"';
    }
    out.append(text);
    out += '"';
}

// Rows are gathered and written this many bytes at a time.
constexpr std::size_t kWriteChunk = 1 << 16;

// The rows gathered for writing: the first `used` bytes of `buf`. room()
// makes space at the end without clearing it, for a field written in place.
struct RowsOut {
    explicit RowsOut(std::ostream& to) : out(to) {}
    char* room(std::size_t n) {
        if (buf.size() - used < n)
            buf.resize(std::max(2 * buf.size(), used + n));
        return buf.data() + used;
    }
    void put(std::string_view s) {
        std::memcpy(room(s.size()), s.data(), s.size());
        used += s.size();
    }
    void put(char c) {
        *room(1) = c;
        ++used;
    }
    void flush() {
        out.write(buf.data(), static_cast<std::streamsize>(used));
        used = 0;
    }

    std::ostream& out;
    std::string buf = std::string(kWriteChunk + 4096, '\0');
    std::size_t used = 0;
};

// The shortest text that reads back as `v`, with the fewest significant
// digits: where plain notation would print a large whole number exactly
// (309840992 for the float 3.0984099e+08), its shortest digits are padded
// with zeros instead (309840990).
template <class T>
void appendShortest(std::string& out, T v) {
    char plain[64], sci[64];
    const char* plainEnd = std::to_chars(plain, plain + sizeof plain, v).ptr;
    const std::string_view p(plain, plainEnd);
    if (p.find_first_of(".e") != std::string_view::npos || p.find_first_of("123456789") == std::string_view::npos) {
        out.append(p);
        return;
    }
    const std::string_view s(sci, std::to_chars(sci, sci + sizeof sci, v, std::chars_format::scientific).ptr);
    std::string digits(s.substr(0, s.find('e')));
    std::erase(digits, '.');
    const std::size_t sign = digits.front() == '-' ? 1 : 0;
    const int exponent = std::stoi(std::string(s.substr(s.find('e') + 1)));
    digits.append(static_cast<std::size_t>(exponent) + 1 + sign - digits.size(), '0');
    out.append(digits);
}

// A hyperlink is stored as display text#address#sub-address#screen tip;
// Access shows the display text, or without one the address (or sub-address).
std::string_view shownHyperlink(std::string_view stored) {
    std::string_view part = stored;
    for (int n = 0; n < 3; ++n) {
        const std::size_t hash = stored.find('#');
        part = stored.substr(0, hash);
        if (!part.empty() || hash == std::string_view::npos)
            return part;
        stored.remove_prefix(hash + 1);
    }
    return part;
}

// How the values of one column are written.
struct ColumnOut {
    enum class Way { Value, StoredText, Complex, Marker } way = Way::Value;
    std::optional<ComplexValues> complex;
    std::string marker;
};

std::vector<ColumnOut> planColumns(const std::shared_ptr<const Database>& db, const CatalogEntry& table,
                                   const TableDef& def, std::ostream& notes) {
    std::vector<ColumnOut> plan(def.columns.size());
    const auto notRead = [&](ColumnOut& out, const ColumnDef& c, const std::string& marker, const std::string& why) {
        out.way = ColumnOut::Way::Marker;
        out.marker = "<not read: " + marker + ">";
        notes << "column '" << c.name << "' of table '" << table.name << "': " << why << "; its values are written as "
              << out.marker << ".\n";
    };
    for (std::size_t n = 0; n < def.columns.size(); ++n) {
        const ColumnDef& c = def.columns[n];
        if (!knownType(c.valueType())) {
            const std::string hex = typeCode(c.valueType());
            notRead(plan[n], c, "type " + hex, "its type (" + hex + ") is not one Ravelin knows");
        } else if (c.type == static_cast<std::uint8_t>(ColumnType::Complex)) {
            try {
                plan[n].complex = ComplexValues::read(db, c);
                plan[n].way = ColumnOut::Way::Complex;
            } catch (const Error& e) {
                notRead(plan[n], c, "complex value", "its items cannot be read: " + e.description());
            }
        } else if (!db->jet3() && !c.calculated && c.type == static_cast<std::uint8_t>(ColumnType::Text)) {
            plan[n].way = ColumnOut::Way::StoredText;  // from its stored bytes straight into the line
        }
    }
    return plan;
}

void appendItems(std::string& out, const std::vector<std::string>& items) {
    std::string joined;
    for (const std::string& item : items)
        joined += (joined.empty() ? "" : "; ") + item;
    appendQuoted(out, joined);
}

}  // namespace

void appendCsvField(std::string& out, const Value& value, const ColumnDef& column, HyperlinkForm hyperlinks) {
    using K = Value::Kind;
    switch (value.kind()) {
    case K::Null: return;
    case K::Boolean: out += value.asBool() ? '1' : '0'; return;
    case K::Integer: {
        char buf[24];
        const auto r = std::to_chars(buf, buf + sizeof buf, value.asInteger());
        out.append(buf, r.ptr);
        return;
    }
    case K::Single: appendShortest(out, value.asSingle()); return;
    case K::Double: appendShortest(out, value.asDouble()); return;
    case K::Currency: out += formatCurrency(value.currencyScaled()); return;
    case K::DateTime: {
        const auto dt = value.calendar();
        if (dt)
            out += formatDateTime(*dt);
        else
            appendShortest(out, value.dateTimeSerial());  // no calendar date: the stored number
        return;
    }
    case K::Text:
        appendQuoted(out, hyperlinks == HyperlinkForm::Shown && column.hyperlink() &&
                                  column.type == static_cast<std::uint8_t>(ColumnType::Memo)
                              ? shownHyperlink(value.text())
                              : std::string_view(value.text()));
        return;
    case K::Binary: {
        static constexpr char kHex[] = "0123456789abcdef";
        if (value.bytes().empty())
            out += "\"\"";  // as empty text: an empty unquoted field is Null
        for (std::uint8_t b : value.bytes()) {
            out += kHex[b >> 4];
            out += kHex[b & 15];
        }
        return;
    }
    case K::Guid: out += formatGuid(value.guidValue()); return;
    case K::DateTimeExtended: out += formatDateTimeExtended(value.dateTimeExtendedTicks()); return;
    case K::Decimal: {
        Decimal d = value.decimalValue();
        if (!column.calculated)  // a calculated value carries its own scale
            d.scale = column.scale;
        out += d.toString();
        return;
    }
    }
}

CsvExportResult exportCsv(const std::shared_ptr<const Database>& db, std::string_view table, std::ostream& out,
                          std::ostream& notes, const CsvExportOptions& options) {
    const auto def = db->tableDef(table);
    const std::vector<ColumnOut> plan = planColumns(db, *db->findTable(table), *def, notes);
    TableCursor cursor(db, def);
    CsvExportResult result;
    if (options.skipDamagedPages)
        cursor.skipDamagedPages([&](std::uint32_t, const std::string& why) {
            ++result.skippedPages;
            notes << "skipped: " << why << " (its rows are missing from the export)\n";
        });
    RowDecoder decoder(db->pager(), db->jet3(), *def, db->textDecoder());
    Value value;
    std::string field;
    for (std::size_t n = 0; n < def->columns.size(); ++n) {
        if (n)
            field += ',';
        const std::string& name = def->columns[n].name;
        if (name.find_first_of(",\"\r\n") != std::string::npos)
            appendQuoted(field, name);
        else
            field += name;
    }
    field += "\r\n";
    RowsOut rows(out);
    rows.put(field);
    for (bool more = cursor.moveFirst(); more; more = cursor.moveNext()) {
        decoder.select(cursor.rowBytes());
        for (std::size_t n = 0; n < def->columns.size(); ++n) {
            if (plan[n].way == ColumnOut::Way::StoredText) {
                // Comma, quotes and text written in place, in one step.
                const auto bytes = decoder.storedText(n);
                char* p = rows.room(3 + (bytes ? ucs2CsvRoom(bytes->size()) : 0));
                char* const from = p;
                if (n)
                    *p++ = ',';
                if (bytes) {
                    *p++ = '"';
                    p = putUcs2CsvText(*bytes, p);
                    *p++ = '"';
                }
                rows.used += static_cast<std::size_t>(p - from);
                continue;
            }
            if (n)
                rows.put(',');
            decoder.field(n, value);
            if (value.isNull())
                continue;
            field.clear();
            if (plan[n].way == ColumnOut::Way::Marker)
                field += plan[n].marker;
            else if (plan[n].way == ColumnOut::Way::Complex && value.kind() == Value::Kind::Integer)
                appendItems(field, plan[n].complex->items(value.asInteger()));
            else
                appendCsvField(field, value, def->columns[n], options.hyperlinks);
            rows.put(field);
        }
        rows.put("\r\n");
        ++result.rows;
        if (rows.used >= kWriteChunk)
            rows.flush();
    }
    rows.flush();
    return result;
}

}  // namespace jet
