#pragma once
// The parsed form of an expression and the operations its nodes evaluate
// with; private to jet/expr.
#include "jet/Error.h"
#include "jet/Value.h"

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace jet::expr {

// Visual Basic's run-time error numbers, which Access raises from expressions.
inline constexpr int kInvalidCall = 5, kOverflow = 6, kDivisionByZero = 11, kTypeMismatch = 13;
// Jet's numbers for an expression it cannot take.
inline constexpr int kSyntaxError = 3075, kUndefinedFunction = 3085;

enum class Op {
    Literal, Field, Negate, Not,
    Add, Subtract, Multiply, Divide, IntDivide, Mod, Power, Concat,
    Equal, NotEqual, Less, Greater, LessEqual, GreaterEqual,
    And, Or, Xor, Eqv,
    Between, In, Like, IsNull,  // `negated` for Not Between, Not In, Not Like, Is Not Null
    IIf, Call,
};

struct Function;

struct Node {
    Op op = Op::Literal;
    bool negated = false;
    Value literal;
    std::size_t field = 0;
    const Function* function = nullptr;
    std::vector<std::unique_ptr<Node>> args;
};

Value evaluateNode(const Node& node, std::span<const Value> row);

// Operators (Operators.cpp).
Value arithmetic(Op op, const Value& a, const Value& b);
Value concatenate(const Value& a, const Value& b);
Value compare(Op op, const Value& a, const Value& b);
Value logical(Op op, const Value& a, const Value& b);
Value logicalNot(const Value& a);
Value negate(const Value& a);
bool likeMatches(std::string_view text, std::string_view pattern);
// Text as code points and back: Len, Left, Mid and Like count characters.
std::u32string codePoints(std::string_view utf8);
std::string utf8Of(std::u32string_view text);

// Conversions as Visual Basic makes them (Conversions.cpp); Null raises 94.
[[noreturn]] void fail(int number, const std::string& what);
double toNumber(const Value& v);
std::int64_t toWhole(const Value& v);          // rounded half to even, 6 on overflow of a Long
std::string toText(const Value& v);            // CStr
double toDate(const Value& v);                 // CDate: a date serial
bool toBoolean(const Value& v);
std::optional<double> parseDateText(std::string_view text);  // #...# and CDate of text
std::optional<double> parseNumberText(std::string_view text);
double roundHalfEven(double x, int digits);
// Date serial from calendar parts; months and days out of range carry over (DateSerial).
double dateSerial(std::int64_t year, std::int64_t month, std::int64_t day);
double timeSerial(std::int64_t hour, std::int64_t minute, std::int64_t second);

// Built-in functions (Functions.cpp).
struct Function {
    const char* name;
    int minArgs, maxArgs;
    bool varies;  // Now, Date, GenGUID...: a new value each time
    Value (*call)(std::span<const Value> args);
};
const Function* findFunction(std::string_view name);

}  // namespace jet::expr
