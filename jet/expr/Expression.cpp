#include "jet/expr/Expression.h"

#include "jet/expr/Node.h"
#include "jet/text/Text.h"

#include <cctype>
#include <cstdlib>

namespace jet::expr {
namespace {

enum class Tok { End, Number, Text, Date, Name, Bracketed, Symbol };

struct Token {
    Tok kind = Tok::End;
    std::string text;  // a name, a symbol, the contents of a string or date
    Value number;
};

bool isNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || (c & 0x80); }

// Operators in the order Access binds them, loosest first: Eqv, Xor, Or,
// And, Not, comparisons, &, + -, Mod, \, * /, unary -, ^.
class Parser {
public:
    Parser(std::string_view text, const FieldLookup& fields, std::optional<std::size_t> ruleField)
        : text_(text), fields_(fields), ruleField_(ruleField) {
        tokenize();
    }

    std::unique_ptr<Node> parseAll(bool& varies) {
        auto root = parseBinaryLevel(0);
        if (peek().kind != Tok::End)
            syntax("'" + peek().text + "' is not expected there");
        varies = varies_;
        return root;
    }

private:
    [[noreturn]] void syntax(const std::string& why) const {
        throw Error(kSyntaxError, "Syntax error in the expression '" + std::string(text_) + "': " + why + ".");
    }

    void tokenize() {
        std::size_t i = 0;
        const std::string_view t = text_;
        while (true) {
            while (i < t.size() && std::isspace(static_cast<unsigned char>(t[i])))
                ++i;
            Token tok;
            if (i == t.size()) {
                tokens_.push_back(tok);
                return;
            }
            const char c = t[i];
            if (c == '"' || c == '\'') {
                tok.kind = Tok::Text;
                for (++i;; ++i) {
                    if (i >= t.size())
                        syntax("a quoted text is never closed");
                    if (t[i] == c) {
                        if (i + 1 < t.size() && t[i + 1] == c) {
                            tok.text += c;
                            ++i;
                            continue;
                        }
                        ++i;
                        break;
                    }
                    tok.text += t[i];
                }
            } else if (c == '#') {
                const auto end = t.find('#', i + 1);
                if (end == std::string_view::npos)
                    syntax("a #date# is never closed");
                tok.kind = Tok::Date;
                tok.text = std::string(t.substr(i + 1, end - i - 1));
                i = end + 1;
            } else if (c == '[') {
                const auto end = t.find(']', i + 1);
                if (end == std::string_view::npos)
                    syntax("a [name] is never closed");
                tok.kind = Tok::Bracketed;
                tok.text = std::string(t.substr(i + 1, end - i - 1));
                i = end + 1;
            } else if (std::isdigit(static_cast<unsigned char>(c)) ||
                       (c == '.' && i + 1 < t.size() && std::isdigit(static_cast<unsigned char>(t[i + 1])))) {
                i = number(i, tok);
            } else if (c == '&' && i + 1 < t.size() && (t[i + 1] == 'H' || t[i + 1] == 'h')) {
                std::size_t end = i + 2;
                while (end < t.size() && std::isxdigit(static_cast<unsigned char>(t[end])))
                    ++end;
                tok.kind = Tok::Number;
                tok.number = Value::integer(std::strtoll(std::string(t.substr(i + 2, end - i - 2)).c_str(), nullptr, 16));
                i = end;
            } else if (isNameChar(c)) {
                tok.kind = Tok::Name;
                while (i < t.size() && isNameChar(t[i]))
                    tok.text += t[i++];
            } else {
                tok.kind = Tok::Symbol;
                tok.text = c;
                ++i;
                if ((c == '<' || c == '>') && i < t.size() && (t[i] == '=' || (c == '<' && t[i] == '>')))
                    tok.text += t[i++];
            }
            tokens_.push_back(std::move(tok));
        }
    }

    std::size_t number(std::size_t i, Token& tok) {
        const std::string_view t = text_;
        std::size_t end = i;
        bool whole = true;
        while (end < t.size() && std::isdigit(static_cast<unsigned char>(t[end])))
            ++end;
        if (end < t.size() && t[end] == '.') {
            whole = false;
            for (++end; end < t.size() && std::isdigit(static_cast<unsigned char>(t[end]));)
                ++end;
        }
        if (end + 1 < t.size() && (t[end] == 'E' || t[end] == 'e') &&
            (std::isdigit(static_cast<unsigned char>(t[end + 1])) ||
             ((t[end + 1] == '+' || t[end + 1] == '-') && end + 2 < t.size() &&
              std::isdigit(static_cast<unsigned char>(t[end + 2]))))) {
            whole = false;
            end += 2;
            while (end < t.size() && std::isdigit(static_cast<unsigned char>(t[end])))
                ++end;
        }
        const std::string digits(t.substr(i, end - i));
        const double d = std::strtod(digits.c_str(), nullptr);
        tok.kind = Tok::Number;
        // A whole number a Long holds is a Long; any other is a Double, as in Visual Basic.
        tok.number = whole && d <= 2147483647.0 ? Value::integer(std::strtoll(digits.c_str(), nullptr, 10)) : Value::real(d);
        return end;
    }

    const Token& peek(std::size_t ahead = 0) const { return tokens_[std::min(at_ + ahead, tokens_.size() - 1)]; }
    bool isWord(const Token& t, std::string_view word) const { return t.kind == Tok::Name && equalsIgnoreCase(t.text, word); }
    bool isSymbol(const Token& t, std::string_view s) const { return t.kind == Tok::Symbol && t.text == s; }
    bool acceptWord(std::string_view word) {
        if (!isWord(peek(), word))
            return false;
        ++at_;
        return true;
    }
    bool acceptSymbol(std::string_view s) {
        if (!isSymbol(peek(), s))
            return false;
        ++at_;
        return true;
    }
    void expectSymbol(std::string_view s) {
        if (!acceptSymbol(s))
            syntax("'" + std::string(s) + "' is missing");
    }

    static std::unique_ptr<Node> make(Op op, std::unique_ptr<Node> a = nullptr, std::unique_ptr<Node> b = nullptr) {
        auto n = std::make_unique<Node>();
        n->op = op;
        if (a)
            n->args.push_back(std::move(a));
        if (b)
            n->args.push_back(std::move(b));
        return n;
    }

    // Eqv, Xor, Or, And: left-associative, loosest first.
    std::unique_ptr<Node> parseBinaryLevel(int level) {
        static constexpr std::pair<const char*, Op> kLevels[] = {
            {"Eqv", Op::Eqv}, {"Xor", Op::Xor}, {"Or", Op::Or}, {"And", Op::And}};
        if (level == 4)
            return parseNot();
        auto left = parseBinaryLevel(level + 1);
        while (acceptWord(kLevels[level].first))
            left = make(kLevels[level].second, std::move(left), parseBinaryLevel(level + 1));
        return left;
    }

    bool comparisonStarts(std::size_t ahead = 0) const {
        const Token& t = peek(ahead);
        if (t.kind == Tok::Symbol)
            return t.text == "=" || t.text == "<" || t.text == ">" || t.text == "<=" || t.text == ">=" || t.text == "<>";
        if (isWord(t, "Not"))
            return isWord(peek(ahead + 1), "Between") || isWord(peek(ahead + 1), "In") || isWord(peek(ahead + 1), "Like");
        return isWord(t, "Between") || isWord(t, "In") || isWord(t, "Like") || isWord(t, "Is");
    }

    std::unique_ptr<Node> parseNot() {
        if (isWord(peek(), "Not") && !(ruleField_ && comparisonStarts()))
            return ++at_, make(Op::Not, parseNot());
        return parseComparison();
    }

    std::unique_ptr<Node> parseComparison() {
        std::unique_ptr<Node> left;
        if (ruleField_ && comparisonStarts()) {
            left = make(Op::Field);
            left->field = *ruleField_;
        } else {
            left = parseConcat();
        }
        static constexpr std::pair<const char*, Op> kCompare[] = {{"=", Op::Equal},     {"<>", Op::NotEqual},
                                                                  {"<", Op::Less},      {">", Op::Greater},
                                                                  {"<=", Op::LessEqual}, {">=", Op::GreaterEqual}};
        for (;;) {
            bool matched = false;
            for (const auto& [symbol, op] : kCompare)
                if (acceptSymbol(symbol)) {
                    left = make(op, std::move(left), parseConcat());
                    matched = true;
                    break;
                }
            if (matched)
                continue;
            const bool negated = isWord(peek(), "Not") &&
                                 (isWord(peek(1), "Between") || isWord(peek(1), "In") || isWord(peek(1), "Like"));
            if (negated)
                ++at_;
            if (acceptWord("Between")) {
                auto n = make(Op::Between, std::move(left), parseConcat());
                if (!acceptWord("And"))
                    syntax("Between needs And");
                n->args.push_back(parseConcat());
                n->negated = negated;
                left = std::move(n);
            } else if (acceptWord("In")) {
                auto n = make(Op::In, std::move(left));
                expectSymbol("(");
                do
                    n->args.push_back(parseBinaryLevel(0));
                while (acceptSymbol(","));
                expectSymbol(")");
                n->negated = negated;
                left = std::move(n);
            } else if (acceptWord("Like")) {
                left = make(Op::Like, std::move(left), parseConcat());
                left->negated = negated;
            } else if (acceptWord("Is")) {
                const bool isNot = acceptWord("Not");
                if (!acceptWord("Null"))
                    syntax("Is must be followed by Null or Not Null");
                left = make(Op::IsNull, std::move(left));
                left->negated = isNot;
            } else {
                return left;
            }
        }
    }

    // &, then + -, Mod, \, * /: each level binds tighter than the one before.
    std::unique_ptr<Node> parseConcat(int level = 0) {
        struct Infix {
            const char* token;
            Op op;
        };
        static const std::vector<std::vector<Infix>> kLevels = {
            {{"&", Op::Concat}},
            {{"+", Op::Add}, {"-", Op::Subtract}},
            {{"Mod", Op::Mod}},
            {{"\\", Op::IntDivide}},
            {{"*", Op::Multiply}, {"/", Op::Divide}},
        };
        if (level == static_cast<int>(kLevels.size()))
            return parseUnary();
        auto left = parseConcat(level + 1);
        for (bool more = true; more;) {
            more = false;
            for (const Infix& infix : kLevels[static_cast<std::size_t>(level)])
                if (std::isalpha(static_cast<unsigned char>(infix.token[0])) ? acceptWord(infix.token)
                                                                             : acceptSymbol(infix.token)) {
                    left = make(infix.op, std::move(left), parseConcat(level + 1));
                    more = true;
                    break;
                }
        }
        return left;
    }

    // Unary minus binds looser than ^: -2^2 is -4.
    std::unique_ptr<Node> parseUnary() {
        if (acceptSymbol("-"))
            return make(Op::Negate, parseUnary());
        if (acceptSymbol("+"))
            return parseUnary();
        auto base = parsePrimary();
        if (acceptSymbol("^"))
            return make(Op::Power, std::move(base), parseUnary());
        return base;
    }

    std::unique_ptr<Node> literal(Value v) {
        auto n = make(Op::Literal);
        n->literal = std::move(v);
        return n;
    }

    std::unique_ptr<Node> field(const std::string& name) {
        const auto slot = fields_ ? fields_(name) : std::nullopt;
        if (!slot)
            syntax("there is no field '" + name + "'");
        auto n = make(Op::Field);
        n->field = *slot;
        return n;
    }

    std::unique_ptr<Node> parsePrimary() {
        const Token t = peek();
        ++at_;
        switch (t.kind) {
        case Tok::End: --at_; syntax("it ends where a value is expected");
        case Tok::Number: return literal(t.number);
        case Tok::Text: return literal(Value::text(t.text));
        case Tok::Date: {
            const auto serial = parseDateText(t.text);
            if (!serial)
                syntax("#" + t.text + "# is not a date");
            return literal(Value::dateTime(*serial));
        }
        case Tok::Bracketed: return field(t.text);
        case Tok::Symbol:
            if (t.text == "(") {
                auto inner = parseBinaryLevel(0);
                expectSymbol(")");
                return inner;
            }
            syntax("'" + t.text + "' is not expected there");
        case Tok::Name: break;
        }
        if (equalsIgnoreCase(t.text, "Null"))
            return literal(Value());
        for (const char* yes : {"True", "Yes", "On"})
            if (equalsIgnoreCase(t.text, yes))
                return literal(Value::boolean(true));
        for (const char* no : {"False", "No", "Off"})
            if (equalsIgnoreCase(t.text, no))
                return literal(Value::boolean(false));
        const bool call = isSymbol(peek(), "(");
        if (!call && fields_ && fields_(t.text))
            return field(t.text);
        return functionCall(t.text, call);
    }

    std::unique_ptr<Node> functionCall(const std::string& name, bool parenthesised) {
        std::vector<std::unique_ptr<Node>> args;
        if (parenthesised) {
            expectSymbol("(");
            if (!acceptSymbol(")")) {
                do
                    args.push_back(parseBinaryLevel(0));
                while (acceptSymbol(","));
                expectSymbol(")");
            }
        }
        auto n = make(Op::Call);
        if (equalsIgnoreCase(name, "IIf")) {
            n->op = Op::IIf;
            if (args.size() != 3)
                syntax("IIf takes 3 arguments");
        } else {
            n->function = findFunction(name);
            if (!n->function)
                throw Error(kUndefinedFunction, "Undefined function '" + name + "' in the expression '" +
                                                    std::string(text_) + "'.");
            if (!parenthesised && n->function->minArgs > 0)
                syntax("there is no field '" + name + "'");
            if (static_cast<int>(args.size()) < n->function->minArgs ||
                static_cast<int>(args.size()) > n->function->maxArgs)
                syntax(std::string(n->function->name) + " takes " + std::to_string(n->function->minArgs) +
                       (n->function->maxArgs > n->function->minArgs
                            ? " to " + std::to_string(n->function->maxArgs)
                            : "") +
                       " arguments");
            varies_ = varies_ || n->function->varies;
        }
        n->args = std::move(args);
        return n;
    }

    std::string_view text_;
    const FieldLookup& fields_;
    std::optional<std::size_t> ruleField_;
    std::vector<Token> tokens_;
    std::size_t at_ = 0;
    bool varies_ = false;
};

}  // namespace

Value evaluateNode(const Node& n, std::span<const Value> row) {
    const auto arg = [&](std::size_t i) { return evaluateNode(*n.args[i], row); };
    switch (n.op) {
    case Op::Literal: return n.literal;
    case Op::Field:
        if (n.field >= row.size())
            fail(kInvalidCall, "a field outside the row");
        return row[n.field];
    case Op::Negate: return negate(arg(0));
    case Op::Not: return logicalNot(arg(0));
    case Op::Add:
    case Op::Subtract:
    case Op::Multiply:
    case Op::Divide:
    case Op::IntDivide:
    case Op::Mod:
    case Op::Power: return arithmetic(n.op, arg(0), arg(1));
    case Op::Concat: return concatenate(arg(0), arg(1));
    case Op::Equal:
    case Op::NotEqual:
    case Op::Less:
    case Op::Greater:
    case Op::LessEqual:
    case Op::GreaterEqual: return compare(n.op, arg(0), arg(1));
    case Op::And:
    case Op::Or:
    case Op::Xor:
    case Op::Eqv: return logical(n.op, arg(0), arg(1));
    case Op::Between: {
        const Value v = arg(0);
        Value inside = logical(Op::And, compare(Op::GreaterEqual, v, arg(1)), compare(Op::LessEqual, v, arg(2)));
        return n.negated ? logicalNot(inside) : inside;
    }
    case Op::In: {
        const Value v = arg(0);
        Value found = Value::boolean(false);
        for (std::size_t i = 1; i < n.args.size(); ++i) {
            found = logical(Op::Or, found, compare(Op::Equal, v, arg(i)));
            if (!found.isNull() && found.asBool())
                break;
        }
        return n.negated ? logicalNot(found) : found;
    }
    case Op::Like: {
        const Value v = arg(0), pattern = arg(1);
        if (v.isNull() || pattern.isNull())
            return Value();
        return Value::boolean(likeMatches(toText(v), toText(pattern)) != n.negated);
    }
    case Op::IsNull: return Value::boolean(arg(0).isNull() != n.negated);
    case Op::IIf: {
        // Only the branch taken is evaluated, as in a query: IIf([n]=0, 0, 1/[n]).
        const Value condition = arg(0);
        return arg(!condition.isNull() && toBoolean(condition) ? 1 : 2);
    }
    case Op::Call: {
        Value args[4];
        const std::size_t count = std::min<std::size_t>(n.args.size(), 4);
        for (std::size_t i = 0; i < count; ++i)
            args[i] = arg(i);
        return n.function->call(std::span<const Value>(args, count));
    }
    }
    fail(kInvalidCall, "an unknown operation");
}

Expression Expression::parse(std::string_view text, const FieldLookup& fields) {
    Expression e;
    e.text_ = std::string(text);
    e.root_ = Parser(e.text_, fields, std::nullopt).parseAll(e.varies_);
    return e;
}

Expression Expression::parseRule(std::string_view text, const FieldLookup& fields, std::size_t field) {
    Expression e;
    e.text_ = std::string(text);
    e.root_ = Parser(e.text_, fields, field).parseAll(e.varies_);
    return e;
}

Value Expression::evaluate(std::span<const Value> row) const { return evaluateNode(*root_, row); }

bool Expression::reads(std::size_t field) const {
    std::vector<const Node*> pending{root_.get()};
    while (!pending.empty()) {
        const Node* n = pending.back();
        pending.pop_back();
        if (n->op == Op::Field && n->field == field)
            return true;
        for (const auto& a : n->args)
            pending.push_back(a.get());
    }
    return false;
}

bool passes(const Value& ruleValue) { return ruleValue.isNull() || toBoolean(ruleValue); }

}  // namespace jet::expr
