#include "jet/table/CsvExport.h"

#include "jet/table/ColumnType.h"
#include "jet/table/TableCursor.h"

#include <charconv>

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

template <class T>
void appendShortest(std::string& out, T v) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

}  // namespace

void appendCsvField(std::string& out, const Value& value, const ColumnDef& column) {
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
    case K::Text: appendQuoted(out, value.text()); return;
    case K::Binary: {
        static constexpr char kHex[] = "0123456789abcdef";
        for (std::uint8_t b : value.bytes()) {
            out += kHex[b >> 4];
            out += kHex[b & 15];
        }
        return;
    }
    case K::Guid: out += formatGuid(value.guidValue()); return;
    case K::Decimal: {
        Decimal d = value.decimalValue();
        d.scale = column.scale;
        out += d.toString();
        return;
    }
    }
}

std::size_t exportCsv(const std::shared_ptr<const Database>& db, std::string_view table, std::ostream& out) {
    const auto def = db->tableDef(table);
    TableCursor cursor(db, def);
    // Text of Jet 4 and ACE goes from its stored bytes straight into the line.
    RowDecoder decoder(db->pager(), db->jet3(), *def, db->textDecoder());
    std::vector<char> storedText;
    for (const ColumnDef& c : def->columns)
        storedText.push_back(!db->jet3() && c.type == static_cast<std::uint8_t>(ColumnType::Text));
    Value value;
    std::string line;
    for (std::size_t n = 0; n < def->columns.size(); ++n) {
        if (n)
            line += ',';
        const std::string& name = def->columns[n].name;
        if (name.find_first_of(",\"\r\n") != std::string::npos)
            appendQuoted(line, name);
        else
            line += name;
    }
    line += "\r\n";
    std::size_t rows = 0;
    for (bool more = cursor.moveFirst(); more; more = cursor.moveNext()) {
        decoder.select(cursor.rowBytes());
        for (std::size_t n = 0; n < def->columns.size(); ++n) {
            if (n)
                line += ',';
            if (storedText[n]) {
                if (const auto bytes = decoder.storedText(n)) {
                    line += '"';
                    appendUcs2CsvText(*bytes, line);
                    line += '"';
                }
                continue;
            }
            decoder.field(n, value);
            appendCsvField(line, value, def->columns[n]);
        }
        line += "\r\n";
        ++rows;
        if (line.size() >= kWriteChunk) {
            out.write(line.data(), static_cast<std::streamsize>(line.size()));
            line.clear();
        }
    }
    out.write(line.data(), static_cast<std::streamsize>(line.size()));
    return rows;
}

}  // namespace jet
