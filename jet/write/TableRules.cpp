#include "jet/write/TableRules.h"

#include "jet/Error.h"
#include "jet/table/ColumnProperties.h"
#include "jet/table/ColumnType.h"
#include "jet/text/Text.h"
#include "jet/expr/Node.h"
#include "jet/write/FieldValue.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace jet {
namespace {

constexpr int kZeroLengthNotAllowed = 3315, kTableRuleBroken = 3316, kFieldRuleBroken = 3317;

// Access keeps some expressions with a leading "=", as typed.
std::string withoutEquals(std::string text) {
    const auto first = text.find_first_not_of(' ');
    if (first != std::string::npos && text[first] == '=')
        text.erase(0, first + 1);
    return text;
}

}  // namespace

TableRules::TableRules(const TableDef& table, std::string tableName, std::span<const std::uint8_t> properties)
    : table_(table), name_(std::move(tableName)), fields_(table.columns.size()) {
    std::vector<std::pair<std::string, std::string>> tableTexts;  // the table's own properties
    std::vector<std::vector<std::pair<std::string, std::string>>> texts(table.columns.size());
    forEachProperty(properties, [&](std::size_t object, const std::string& objectName, const std::string& name,
                                    std::uint8_t type, std::span<const std::uint8_t> value) {
        // The table's own block comes first, under the table's name.
        const bool tableItself = object == 0 && equalsIgnoreCase(objectName, name_);
        const ColumnDef* c = tableItself ? nullptr : table.findColumn(objectName);
        if (c && type == 0x01 && equalsIgnoreCase(name, "AllowZeroLength"))
            fields_[static_cast<std::size_t>(c - table.columns.data())].allowZeroLength = value[0] != 0;
        if (type != kTextProperty && type != kMemoProperty)
            return;
        if (c)
            texts[static_cast<std::size_t>(c - table.columns.data())].emplace_back(name, propertyText(value));
        else if (tableItself)
            tableTexts.emplace_back(name, propertyText(value));
    });
    for (const auto& [name, text] : tableTexts) {
        if (equalsIgnoreCase(name, "ValidationRule") && !text.empty())
            tableRule_ = parsed(name, text, std::nullopt);
        else if (equalsIgnoreCase(name, "ValidationText"))
            tableRuleText_ = text;
    }
    for (std::size_t n = 0; n < texts.size(); ++n)
        for (const auto& [name, text] : texts[n]) {
            Field& f = fields_[n];
            if (text.empty())
                continue;
            if (equalsIgnoreCase(name, "DefaultValue") && !table.columns[n].autoNumber() && !table.columns[n].calculated)
                f.defaultValue = parsed(name, withoutEquals(text), std::nullopt);
            else if (equalsIgnoreCase(name, "ValidationRule"))
                f.rule = parsed(name, text, n);
            else if (equalsIgnoreCase(name, "ValidationText"))
                f.ruleText = text;
            else if (equalsIgnoreCase(name, "Expression") && table.columns[n].calculated)
                f.calculation = parsed(name, withoutEquals(text), std::nullopt);
        }
}

bool TableRules::defaultsVary() const {
    for (const Field& f : fields_)
        if (f.defaultValue && f.defaultValue->expression && f.defaultValue->expression->varies())
            return true;
    return false;
}

bool TableRules::computes(std::size_t column) const { return fields_.at(column).calculation.has_value(); }

TableRules::Property TableRules::parsed(std::string name, std::string text, std::optional<std::size_t> ruleField) const {
    Property p{std::move(name), std::move(text), std::nullopt, 0, {}};
    const expr::FieldLookup lookup = [this](std::string_view field) -> std::optional<std::size_t> {
        const ColumnDef* c = table_.findColumn(field);
        return c ? std::optional(static_cast<std::size_t>(c - table_.columns.data())) : std::nullopt;
    };
    try {
        p.expression = ruleField ? expr::Expression::parseRule(p.text, lookup, *ruleField)
                                 : expr::Expression::parse(p.text, lookup);
    } catch (const Error& e) {
        p.failure = e.number();
        p.why = e.description();
    }
    return p;
}

// The property's value over `row`; an expression that cannot be parsed or
// evaluated refuses the store, naming the property and the expression.
Value TableRules::evaluate(const Property& p, const std::string& owner, std::span<const Value> row) const {
    const auto refuse = [&](int number, const std::string& why) {
        throw Error(number, "The " + p.name + " of " + owner + " is the expression '" + p.text +
                                "', which Ravelin cannot evaluate: " + why + " Nothing was written.");
    };
    if (!p.expression)
        refuse(p.failure, p.why);
    try {
        return p.expression->evaluate(row);
    } catch (const Error& e) {
        refuse(e.number(), e.description());
    }
    return Value();
}

std::vector<Value> TableRules::newRow() const {
    std::vector<Value> row(table_.columns.size());
    for (std::size_t n = 0; n < row.size(); ++n)
        if (const auto& d = fields_[n].defaultValue; d && d->expression) {
            // One that cannot be parsed is left Null here: a row that keeps it Null is refused by check().
            const std::string owner = "field '" + name_ + "." + table_.columns[n].name + "'";
            const Value v = evaluate(*d, owner, {});
            try {
                row[n] = toColumnValue(table_.columns[n], v);
            } catch (const Error& e) {
                throw Error(e.number(), "The DefaultValue of " + owner + " ('" + d->text + "') does not fit the field: " +
                                            e.description());
            }
        }
    return row;
}

Value TableRules::computed(std::span<const Value> row, std::size_t column) const {
    const auto& calculation = fields_.at(column).calculation;
    const ColumnDef& c = table_.columns[column];
    ColumnDef result = c;
    result.type = c.valueType();
    result.calculated = false;
    const std::string owner = "calculated field '" + name_ + "." + c.name + "'";
    const Value v = evaluate(*calculation, owner, row);
    if (v.isNull())
        return v;
    if (result.type == static_cast<std::uint8_t>(ColumnType::Numeric) && v.kind() != Value::Kind::Decimal) {
        // Access computes with Decimal fields in 96-bit decimals, which this
        // engine does not; other arithmetic is a Double, made a Decimal of
        // its first 15 significant digits.
        for (std::size_t n = 0; n < table_.columns.size(); ++n)
            if (table_.columns[n].valueType() == static_cast<std::uint8_t>(ColumnType::Numeric) &&
                calculation->expression->reads(n))
                throw Error(FieldNotUpdatable, "The Expression of " + owner + " ('" + calculation->text +
                                                   "') computes with Decimal fields, which Ravelin cannot do exactly.");
        const double x = expr::toNumber(v);
        if (!(std::fabs(x) < 1e18))
            throw Error(NumericOverflow, "The result of " + owner + " ('" + calculation->text + "') is too large.");
        const int magnitude10 = static_cast<int>(std::floor(std::log10(std::max(std::fabs(x), 1e-300))));
        char digits[64];
        std::snprintf(digits, sizeof digits, "%.*f", std::clamp(14 - magnitude10, 0, 28), x);
        std::string text = digits;
        if (text.find('.') != std::string::npos) {
            text.erase(text.find_last_not_of('0') + 1);
            if (text.back() == '.')
                text.pop_back();
        }
        Decimal d;
        d.precision = 28;
        d.negative = text[0] == '-';
        d.scale = static_cast<std::uint8_t>(text.find('.') == std::string::npos ? 0 : text.size() - text.find('.') - 1);
        std::uint64_t magnitude = 0;
        for (const char digit : text)
            if (digit >= '0' && digit <= '9')
                magnitude = magnitude * 10 + static_cast<std::uint64_t>(digit - '0');
        d.negative = d.negative && magnitude != 0;
        d.magnitude = {0, 0, static_cast<std::uint32_t>(magnitude >> 32), static_cast<std::uint32_t>(magnitude)};
        return Value::decimal(d);
    }
    if (result.type == static_cast<std::uint8_t>(ColumnType::Numeric))
        return v;  // a Decimal keeps the scale it has
    try {
        return toColumnValue(result, v);
    } catch (const Error& e) {
        throw Error(e.number(), "The result of " + owner + " ('" + calculation->text +
                                    "') does not fit its result type: " + e.description());
    }
}

void TableRules::compute(std::vector<Value>& row) const {
    for (std::size_t n = 0; n < row.size(); ++n)
        if (fields_[n].calculation)
            row[n] = computed(row, n);
}

void TableRules::check(const std::vector<Value>& row, const std::vector<Value>* old) const {
    for (std::size_t n = 0; n < row.size(); ++n) {
        const Field& f = fields_[n];
        const ColumnDef& c = table_.columns[n];
        // A new row that needs a default value Ravelin cannot evaluate.
        if (!old && row[n].isNull() && f.defaultValue && !f.defaultValue->expression)
            evaluate(*f.defaultValue, "field '" + name_ + "." + c.name + "'", row);
        const bool edited = !old || (*old)[n].isNull() != row[n].isNull() ||
                            (!row[n].isNull() && !jetEquals((*old)[n], row[n])) ||
                            (row[n].kind() == Value::Kind::Text && (*old)[n].kind() == Value::Kind::Text &&
                             (*old)[n].text() != row[n].text());
        if (!edited)
            continue;
        if (!f.allowZeroLength && row[n].kind() == Value::Kind::Text && row[n].text().empty())
            throw Error(kZeroLengthNotAllowed, "Field '" + name_ + "." + c.name + "' cannot be a zero-length string.");
        if (f.rule && !expr::passes(evaluate(*f.rule, "field '" + name_ + "." + c.name + "'", row)))
            throw Error(kFieldRuleBroken, !f.ruleText.empty()
                                              ? f.ruleText
                                              : "One or more values are prohibited by the validation rule '" +
                                                    f.rule->text + "' set for '" + name_ + "." + c.name +
                                                    "'. Enter a value that the expression for this field can accept.");
    }
    if (tableRule_ && !expr::passes(evaluate(*tableRule_, "table '" + name_ + "'", row)))
        throw Error(kTableRuleBroken, !tableRuleText_.empty()
                                          ? tableRuleText_
                                          : "One or more values are prohibited by the validation rule '" +
                                                tableRule_->text + "' set for '" + name_ +
                                                "'. Enter a value that the expression for this field can accept.");
}

}  // namespace jet
