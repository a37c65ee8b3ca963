#pragma once
// What Access enforces on a table's rows from the properties it keeps for
// the table and its fields (the LvProp of its catalogue row): a field's
// DefaultValue (a new row's value where none is given), AllowZeroLength
// (3315), ValidationRule and ValidationText (3317), the table's
// ValidationRule and ValidationText (3316), and a calculated field's
// Expression, whose result the row stores.
//
// Every expression is parsed when the table is opened for writing; one that
// cannot be parsed is only raised when a store needs it, naming the property
// and the expression (a default only for a new row that leaves its field
// Null), so a table whose unused property Ravelin cannot evaluate is not
// refused for nothing. Nothing is guessed: an expression that cannot be
// evaluated refuses the store.
#include "jet/Value.h"
#include "jet/expr/Expression.h"
#include "jet/table/TableDef.h"

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace jet {

class TableRules {
public:
    TableRules(const TableDef& table, std::string tableName, std::span<const std::uint8_t> properties);

    // A new row: each field's default value, in its column's kind; Null where there is none.
    std::vector<Value> newRow() const;
    bool defaultsVary() const;
    // Fills every calculated field of `row` with its expression's result, in its result type.
    void compute(std::vector<Value>& row) const;
    // The result of calculated field `column` over `row`; 3164 for a Decimal
    // result of arithmetic, which would not be exact.
    Value computed(std::span<const Value> row, std::size_t column) const;
    // Refuses the row (3315, 3317, 3316) before anything is written. `old`:
    // the row being replaced; then a field's own rules are checked only
    // where its value changes, as Access checks a field when it is edited.
    void check(const std::vector<Value>& row, const std::vector<Value>* old) const;

    // Whether the column is calculated from an expression of its own.
    bool computes(std::size_t column) const;

private:
    // A property holding an expression, parsed or with the reason it could not be.
    struct Property {
        std::string name;  // "DefaultValue", "ValidationRule", ...
        std::string text;
        std::optional<expr::Expression> expression;
        int failure = 0;
        std::string why;
    };
    struct Field {
        std::optional<Property> defaultValue, rule, calculation;
        std::string ruleText;
        bool allowZeroLength = true;
    };

    Property parsed(std::string name, std::string text, std::optional<std::size_t> ruleField) const;
    Value evaluate(const Property& p, const std::string& owner, std::span<const Value> row) const;

    const TableDef& table_;
    std::string name_;
    std::vector<Field> fields_;
    std::optional<Property> tableRule_;
    std::string tableRuleText_;
};

}  // namespace jet
