// Jet expressions: what Access gives for each (expression, row), Null
// propagation and dates included; what cannot be evaluated is refused.
#include "JetTesting.h"

#include "jet/Error.h"
#include "jet/expr/Expression.h"
#include "jet/text/Text.h"

#include <gtest/gtest.h>

namespace {

using jet::Value;

// Kind and value: "Integer 3", "Text abc", "Null".
std::string show(const Value& v) {
    switch (v.kind()) {
    case Value::Kind::Null: return "Null";
    case Value::Kind::Boolean: return v.asBool() ? "True" : "False";
    case Value::Kind::Integer: return "Integer " + std::to_string(v.asInteger());
    case Value::Kind::Double: return "Double " + v.toText();
    case Value::Kind::Currency: return "Currency " + v.toText();
    case Value::Kind::DateTime: return "Date " + v.toText();
    case Value::Kind::Text: return "Text " + v.text();
    default: return "other " + v.toText();
    }
}

const char* const kFields[] = {"A", "B", "C", "D", "E", "Unit Price"};
// A = 5, B = "abc", C = Null, D = 2024-01-31, E = 2.5, [Unit Price] = 12.5 (Currency)
const Value kRow[] = {Value::integer(5), Value::text("abc"), Value(), Value::dateTime(45322), Value::real(2.5),
                      Value::currency(125000)};

std::optional<std::size_t> lookup(std::string_view name) {
    for (std::size_t i = 0; i < std::size(kFields); ++i)
        if (jet::equalsIgnoreCase(kFields[i], name))
            return i;
    return std::nullopt;
}

TEST(Expression, EvaluatesAsAccess) {
    const std::pair<const char*, const char*> cases[] = {
        // literals and fields
        {"42", "Integer 42"}, {"3000000000", "Double 3e+09"}, {"1.5E3", "Double 1500"}, {"\"a\"\"b\"", "Text a\"b"},
        {"'x'", "Text x"}, {"#2024-02-29#", "Date 2024-02-29 00:00:00"}, {"#1/5/2024 3:04 PM#", "Date 2024-01-05 15:04:00"},
        {"Yes", "True"}, {"Off", "False"}, {"Null", "Null"}, {"[A]", "Integer 5"}, {"[Unit Price]*2", "Currency 25.0000"},
        // arithmetic, precedence, Null propagation
        {"A+1", "Integer 6"}, {"-2^2", "Double -4"}, {"7\\2", "Integer 3"}, {"7 Mod 3", "Integer 1"}, {"A/2", "Double 2.5"},
        {"2147483647+1", "Double 2147483648"}, {"C+1", "Null"}, {"-C", "Null"}, {"\"2\"+3", "Double 5"},
        {"\"a\"+\"b\"", "Text ab"}, {"D+1", "Date 2024-02-01 00:00:00"}, {"D-#2024-01-01#", "Double 30"},
        // & treats Null as empty text; Null & Null is Null
        {"B & C & A", "Text abc5"}, {"C & C", "Null"}, {"E & \"\"", "Text 2.5"}, {"True & \"\"", "Text True"},
        // comparisons: text ignores case; Null compares to nothing
        {"B = \"ABC\"", "True"}, {"B < \"abd\"", "True"}, {"A >= 5", "True"}, {"C = C", "Null"}, {"\"10\" > 9", "True"},
        {"D > #2024-01-01#", "True"},
        // three-valued logic
        {"C And False", "False"}, {"C Or True", "True"}, {"C And True", "Null"}, {"Not C", "Null"}, {"Not (A > 1)", "False"},
        {"5 And 3", "Integer 1"}, {"True Xor True", "False"},
        // Between, In, Like, Is Null
        {"A Between 1 And 5", "True"}, {"E Not Between 0 And 1", "True"}, {"C Between 0 And 1", "Null"},
        {"A In (1, 5)", "True"}, {"B Not In (\"x\", \"ABC\")", "False"}, {"C In (1)", "Null"},
        {"B Like \"a*\"", "True"}, {"B Like \"?B[a-c]\"", "True"}, {"B Like \"[!a]*\"", "False"},
        {"\"A1\" Like \"A#\"", "True"}, {"B Not Like \"*z*\"", "True"}, {"C Like \"*\"", "Null"}, {"C Is Null", "True"},
        {"A Is Not Null", "True"},
        // dates
        {"Year(D)", "Integer 2024"}, {"Month(D)", "Integer 1"}, {"Day(D)", "Integer 31"}, {"Year(C)", "Null"},
        {"DateAdd(\"m\", 1, D)", "Date 2024-02-29 00:00:00"}, {"DateAdd(\"yyyy\", -1, #2024-02-29#)", "Date 2023-02-28 00:00:00"},
        {"DateAdd(\"h\", 36, D)", "Date 2024-02-01 12:00:00"}, {"DateAdd(\"d\", 1, C)", "Null"},
        {"DateDiff(\"d\", #2024-01-01#, D)", "Integer 30"}, {"DateDiff(\"m\", #2023-12-31#, #2024-01-01#)", "Integer 1"},
        {"DateDiff(\"yyyy\", #2023-12-31#, #2024-01-01#)", "Integer 1"}, {"DateDiff(\"ww\", #2024-01-06#, #2024-01-07#)", "Integer 1"},
        {"DateDiff(\"h\", #2024-01-01 23:59#, #2024-01-02#)", "Integer 1"}, {"DateDiff(\"w\", #2024-01-01#, #2024-01-14#)", "Integer 1"},
        {"DateSerial(2024, 14, 0)", "Date 2025-01-31 00:00:00"}, {"DateSerial(99, 1, 1)", "Date 1999-01-01 00:00:00"},
        {"Weekday(#2024-01-07#)", "Integer 1"}, {"CDate(\"2024-03-01 10:30\")", "Date 2024-03-01 10:30:00"},
        {"Date() - Int(Now())", "Double 0"}, {"Date() < DateAdd(\"d\", 1, Now())", "True"},
        // text
        {"Len(B)", "Integer 3"}, {"Len(\"Łódź\")", "Integer 4"}, {"Len(C)", "Null"}, {"Left(\"Łódź\", 2)", "Text Łó"},
        {"Right(B, 5)", "Text abc"}, {"Mid(\"abcdef\", 2, 3)", "Text bcd"}, {"Mid(B, 9)", "Text "},
        {"Trim(\"  x  \")", "Text x"}, {"UCase(\"straße é\")", "Text STRAßE É"}, {"LCase(B & \"XY\")", "Text abcxy"},
        {"InStr(\"abcabc\", \"C\")", "Integer 3"}, {"InStr(4, \"abcabc\", \"c\")", "Integer 6"}, {"InStr(B, \"z\")", "Integer 0"},
        {"InStr(C, \"z\")", "Null"},
        // choosing and converting
        {"IIf(A > 1, \"big\", 1/0)", "Text big"}, {"IIf(C, 1, 2)", "Integer 2"}, {"Nz(C, 0)", "Integer 0"}, {"Nz(C)", "Text "},
        {"Nz(A, 0)", "Integer 5"}, {"Int(-2.5)", "Double -3"}, {"Fix(-2.5)", "Double -2"}, {"Int(C)", "Null"},
        {"Round(2.5)", "Double 2"}, {"Round(3.5)", "Double 4"}, {"Round(2.675, 2)", "Double 2.68"}, {"Round(-0.125, 2)", "Double -0.12"},
        {"Abs(-A)", "Integer 5"}, {"Val(\" 1 2 3abc\")", "Double 123"}, {"Val(\"&HFF\")", "Double 255"}, {"Val(\"x\")", "Double 0"},
        {"Val(\"1.5e2\")", "Double 150"}, {"Str(A)", "Text  5"}, {"Str(-A)", "Text -5"}, {"Str(C)", "Null"},
        {"CStr(E)", "Text 2.5"}, {"CStr(1E+20)", "Text 1E+20"}, {"CLng(2.5)", "Integer 2"}, {"CLng(3.5)", "Integer 4"},
        {"CLng(\"12\")", "Integer 12"}, {"CDbl(\"1.25\")", "Double 1.25"}, {"Len(CStr(GenGUID()))", "Integer 38"},
    };
    for (const auto& [text, expected] : cases) {
        try {
            EXPECT_EQ(show(jet::expr::Expression::parse(text, lookup).evaluate(kRow)), expected) << text;
        } catch (const jet::Error& e) {
            ADD_FAILURE() << text << ": " << e.description();
        }
    }
}

// A validation rule that starts with an operator takes its field as the left operand.
TEST(Expression, RulesTakeTheFieldAsImplicitOperand) {
    const std::tuple<const char*, std::size_t, bool> cases[] = {
        {">=0", 0, true}, {"<0", 0, false}, {"Between 0 And 1", 4, false}, {">=0 And <=10", 4, true},
        {"Is Not Null", 2, false}, {"Not Like \"a*\"", 1, false}, {"In (1, 5)", 0, true}, {">0", 2, true},  // Null passes
        {"<Date()", 3, true}, {"Not Between 0 And 1", 4, true}, {"[A] > [E]", 0, true},
    };
    for (const auto& [rule, field, passes] : cases)
        EXPECT_EQ(jet::expr::passes(jet::expr::Expression::parseRule(rule, lookup, field).evaluate(kRow)), passes) << rule;
}

TEST(Expression, WhatCannotBeEvaluatedIsRefused) {
    const std::pair<const char*, int> cases[] = {
        {"Format(A, \"0.00\")", 3085}, {"[Missing] + 1", 3075}, {"(A + 1", 3075}, {"A +", 3075}, {"\"open", 3075},
        {"#31/31/2024#", 3075}, {"A Between 1", 3075}, {"Left(B)", 3075}, {"A 5", 3075},
    };
    for (const auto& [text, number] : cases)
        EXPECT_EQ(jettest::errorOf([&, &source = text] { jet::expr::Expression::parse(source, lookup); }), number) << text;
    // Errors met while evaluating carry Visual Basic's numbers.
    const std::pair<const char*, int> runtime[] = {{"1/0", 11}, {"B * 2", 13}, {"CLng(C)", 94}, {"CLng(3E9)", 6}};
    for (const auto& [text, number] : runtime)
        EXPECT_EQ(jettest::errorOf([&, &source = text] { jet::expr::Expression::parse(source, lookup).evaluate(kRow); }), number)
            << text;
}

}  // namespace
