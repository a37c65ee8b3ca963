#include "jet/index/IndexSeek.h"

#include "jet/table/ColumnType.h"
#include "jet/Error.h"
#include "jet/index/Index.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace jet {
namespace {

using Forms = std::optional<std::vector<Value>>;  // nullopt: cannot be said exactly

Forms integerForms(const Value& sought, std::int64_t lo, std::int64_t hi) {
    if (sought.kind() == Value::Kind::Integer) {
        const std::int64_t i = sought.asInteger();
        return i < lo || i > hi ? std::vector<Value>{} : std::vector<Value>{Value::integer(i)};
    }
    const double d = numericValue(sought);
    if (!std::isfinite(d) || d != std::floor(d) || d < static_cast<double>(lo) || d > static_cast<double>(hi))
        return std::vector<Value>{};
    return std::vector<Value>{Value::integer(static_cast<std::int64_t>(d))};
}

// Values of the column's own kind equal to `sought`; the key of each is looked up.
Forms storedForms(const ColumnDef& c, const Value& sought, const KeyEncoder& encoder) {
    if (sought.isNull())
        return std::vector<Value>{};  // Null equals nothing
    switch (static_cast<ColumnType>(c.type)) {
    case ColumnType::Text: {
        if (sought.kind() != Value::Kind::Text)
            return std::vector<Value>{};
        // Every character must have a code shared by all its case partners.
        const auto order = encoder.textSortOrder(c);
        if (!order)
            return std::nullopt;
        const std::string& s = sought.text();
        for (std::size_t pos = 0; pos < s.size();) {
            const auto lead = static_cast<unsigned char>(s[pos]);
            const std::size_t len = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : 4;
            if (pos + len > s.size())
                return std::nullopt;
            char32_t cp = len == 1 ? lead : lead & (0x7F >> len);
            for (std::size_t k = 1; k < len; ++k)
                cp = (cp << 6) | (static_cast<unsigned char>(s[pos + k]) & 0x3F);
            if (!KeyEncoder::caseClosed(*order, cp))
                return std::nullopt;
            pos += len;
        }
        return std::vector<Value>{sought};
    }
    case ColumnType::Integer:
        if (!isNumericKind(sought.kind()))
            return std::vector<Value>{};
        return integerForms(sought, INT16_MIN, INT16_MAX);
    case ColumnType::Long:
    case ColumnType::Complex:
        if (!isNumericKind(sought.kind()))
            return std::vector<Value>{};
        return integerForms(sought, INT32_MIN, INT32_MAX);
    case ColumnType::Currency:
        if (!isNumericKind(sought.kind()))
            return std::vector<Value>{};
        if (sought.kind() == Value::Kind::Currency)
            return std::vector<Value>{sought};
        return std::nullopt;  // several scaled values may print as the same double
    case ColumnType::Double:
    case ColumnType::DateTime: {
        if (!isNumericKind(sought.kind()))
            return std::vector<Value>{};
        const double d = numericValue(sought);
        const auto make = [&](double x) {
            return c.type == static_cast<std::uint8_t>(ColumnType::Double) ? Value::real(x) : Value::dateTime(x);
        };
        if (std::isnan(d))
            return std::vector<Value>{};
        if (d == 0)  // +0 and -0 are equal but have different keys
            return std::vector<Value>{make(0.0), make(-0.0)};
        return std::vector<Value>{make(d)};
    }
    case ColumnType::Single: {
        if (!isNumericKind(sought.kind()))
            return std::vector<Value>{};
        const double d = numericValue(sought);
        if (std::isnan(d) || (std::isfinite(d) && std::fabs(d) > FLT_MAX))
            return std::vector<Value>{};
        const auto f = static_cast<float>(d);
        if (static_cast<double>(f) != d)
            return std::vector<Value>{};  // no Single equals it
        if (f == 0)
            return std::vector<Value>{Value::single(0.0f), Value::single(-0.0f)};
        return std::vector<Value>{Value::single(f)};
    }
    default:
        // Byte, Boolean, GUID and Decimal keys are laid out as documented but no real
        // file here proves them; other types have no key encoding here. The
        // scan answers for them.
        return std::nullopt;
    }
}

}  // namespace

std::optional<std::vector<RowLocation>> indexCandidates(const std::shared_ptr<const Database>& db,
                                                        const std::shared_ptr<const TableDef>& table,
                                                        std::size_t column, const Value& sought) {
    if (column >= table->columns.size())
        return std::nullopt;
    const ColumnDef& c = table->columns[column];
    for (std::size_t n = 0; n < table->indexes.size(); ++n) {
        const RealIndex& real = table->realIndexes.at(table->indexes[n].realIndex);
        if (real.columns.empty() || real.columns.front().columnNumber != c.number)
            continue;
        try {
            const Index index(db, table, n);
            const Forms forms = storedForms(c, sought, KeyEncoder(db->header().format.version));
            if (!forms)
                return std::nullopt;
            std::vector<RowLocation> rows;
            // Text with an expansion letter may be held under either count of it.
            for (const Value& v : *forms) {
                std::vector<std::uint8_t> key, other;
                std::string why;
                if (!index.tryKey(std::span<const Value>(&v, 1), key, why) ||
                    !index.tryKey(std::span<const Value>(&v, 1), other, why, Expansions::PerLetter))
                    return std::nullopt;
                const auto add = [&](const std::vector<std::uint8_t>& k) {
                    const auto found = index.findPrefix(k);
                    rows.insert(rows.end(), found.begin(), found.end());
                };
                add(key);
                if (other != key)
                    add(other);
            }
            std::sort(rows.begin(), rows.end(), [](RowLocation a, RowLocation b) {
                return a.page != b.page ? a.page < b.page : a.row < b.row;
            });
            rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
            return rows;
        } catch (const Error&) {
            // A damaged index: the scan still gives the right answer.
            return std::nullopt;
        }
    }
    return std::nullopt;
}

}  // namespace jet
