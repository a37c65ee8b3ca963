#pragma once
// Jet expressions as Access evaluates them in the properties a store obeys:
// a field's DefaultValue and ValidationRule, the table's ValidationRule, a
// calculated column's Expression. The text is parsed once into a small tree;
// evaluating it over a row gives a Value, with Access's types and its Null
// propagation (Null + 1 is Null, Null & "a" is "a", Null And False is False).
//
// What is understood: literals (numbers, "text" and 'text', #dates#,
// True/False/Yes/No/On/Off/Null), [Field] references (brackets optional for
// plain names), + - * / \ Mod ^ &, = <> < > <= >=, And Or Xor Not, Between
// ... And, In (...), Like (Access's * ? # [list] [!list]), Is [Not] Null, and
// the functions listed in jet/expr/Functions.cpp. Anything else is refused
// when parsed (3075 for syntax, 3085 for a function not known), never guessed.
//
// Invariant: a parsed Expression holds only nodes the evaluator knows; an
// evaluation error (type mismatch, overflow, Null where a value is needed)
// is raised as an Error with Visual Basic's run-time number.
#include "jet/Value.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace jet::expr {

struct Node;

// The row slot a field name stands for; nothing when there is no such field.
using FieldLookup = std::function<std::optional<std::size_t>(std::string_view name)>;

class Expression {
public:
    // The expression `text`. Errors: 3075 (syntax, a field not found), 3085
    // (a function not known).
    static Expression parse(std::string_view text, const FieldLookup& fields);
    // A validation rule of the field in slot `field`: a rule that begins with
    // a comparison, Between, In, Like or Is ("<=100", "Between 0 And 1")
    // takes the field as its left operand.
    static Expression parseRule(std::string_view text, const FieldLookup& fields, std::size_t field);

    Value evaluate(std::span<const Value> row) const;
    const std::string& text() const { return text_; }
    // Whether the value may differ between evaluations over the same row (Now, GenGUID, ...).
    bool varies() const { return varies_; }
    // Whether the expression reads the field in row slot `field`.
    bool reads(std::size_t field) const;

private:
    std::shared_ptr<const Node> root_;
    std::string text_;
    bool varies_ = false;
};

// Whether a validation rule's value lets the row pass: anything but False
// (Access lets Null through, so a rule such as ">0" allows an empty field).
bool passes(const Value& ruleValue);

}  // namespace jet::expr
