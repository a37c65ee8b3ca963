// Operators of Access's expressions: Null propagates through arithmetic and
// comparisons, not through & (Null is then empty text) nor And/Or where the
// other side decides (Null And False is False, Null Or True is True).
#include "jet/expr/Node.h"

#include "jet/text/Text.h"

#include <cmath>
#include <limits>

namespace jet::expr {
namespace {

using Kind = Value::Kind;

bool isText(const Value& v) { return v.kind() == Kind::Text; }
bool isDate(const Value& v) { return v.kind() == Kind::DateTime; }
bool isWhole(const Value& v) { return v.kind() == Kind::Integer || v.kind() == Kind::Boolean; }

std::int64_t wholeOf(const Value& v) { return v.kind() == Kind::Boolean ? (v.asBool() ? -1 : 0) : v.asInteger(); }

// A whole result stays whole while a Long holds it; beyond, it is a Double (a Variant's promotion).
Value wholeOrDouble(std::int64_t r) {
    if (r < std::numeric_limits<std::int32_t>::min() || r > std::numeric_limits<std::int32_t>::max())
        return Value::real(static_cast<double>(r));
    return Value::integer(r);
}

Value currencyOrOverflow(double units) {
    const double scaled = std::nearbyint(units * 10000.0);
    if (!(std::fabs(scaled) < 9.2e18))
        fail(kOverflow, "a Currency value out of range");
    return Value::currency(static_cast<std::int64_t>(scaled));
}

std::u32string folded(std::string_view utf8) {
    std::u32string out = codePoints(utf8);
    for (char32_t& c : out)
        c = foldCase(c);
    return out;
}

// -1, 0 or 1; the values are not Null.
int order(const Value& a, const Value& b) {
    if (isText(a) && isText(b)) {
        const auto x = folded(a.text()), y = folded(b.text());
        return x < y ? -1 : x > y ? 1 : 0;
    }
    double x, y;
    if (isDate(a) || isDate(b)) {
        x = toDate(a);
        y = toDate(b);
    } else if (isText(a) || isText(b)) {
        const auto& text = isText(a) ? a : b;
        const auto parsed = parseNumberText(text.text());
        if (!parsed)
            fail(kTypeMismatch, "text '" + text.text() + "' compared with a number");
        x = isText(a) ? *parsed : toNumber(a);
        y = isText(b) ? *parsed : toNumber(b);
    } else if (a.kind() == Kind::Guid && b.kind() == Kind::Guid) {
        const auto g = a.guidValue(), h = b.guidValue();
        return g < h ? -1 : g > h ? 1 : 0;
    } else {
        x = toNumber(a);
        y = toNumber(b);
    }
    return x < y ? -1 : x > y ? 1 : 0;
}

// Like's wildcards: * any run, ? one character, # one digit, [list], [!list], [a-z].
bool matchFrom(const std::u32string& t, std::size_t ti, const std::u32string& p, std::size_t pi) {
    while (pi < p.size()) {
        const char32_t c = p[pi];
        if (c == '*') {
            while (pi < p.size() && p[pi] == '*')
                ++pi;
            if (pi == p.size())
                return true;
            for (std::size_t k = ti; k <= t.size(); ++k)
                if (matchFrom(t, k, p, pi))
                    return true;
            return false;
        }
        if (ti == t.size())
            return false;
        if (c == '?') {
        } else if (c == '#') {
            if (t[ti] < '0' || t[ti] > '9')
                return false;
        } else if (c == '[') {
            const auto close = p.find(']', pi + 1);
            if (close == std::u32string::npos)
                fail(kInvalidCall, "a [ in a Like pattern is never closed");
            std::size_t k = pi + 1;
            const bool negated = k < close && p[k] == '!';
            if (negated)
                ++k;
            bool inList = false;
            for (; k < close; ++k) {
                if (k + 2 < close && p[k + 1] == '-') {
                    inList = inList || (t[ti] >= p[k] && t[ti] <= p[k + 2]);
                    k += 2;
                } else {
                    inList = inList || t[ti] == p[k];
                }
            }
            if (inList == negated)
                return false;
            pi = close;
        } else if (t[ti] != c) {
            return false;
        }
        ++ti;
        ++pi;
    }
    return ti == t.size();
}

}  // namespace

std::u32string codePoints(std::string_view utf8) {
    std::u32string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t n = utf8SequenceAt(utf8, i);
        out.push_back(n ? utf8CodePoint(utf8, i, n) : U'\uFFFD');
        i += n ? n : 1;
    }
    return out;
}

std::string utf8Of(std::u32string_view text) {
    std::string out;
    for (const char32_t c : text)
        appendUtf8(out, c);
    return out;
}

bool likeMatches(std::string_view text, std::string_view pattern) {
    return matchFrom(folded(text), 0, folded(pattern), 0);
}

Value negate(const Value& a) {
    if (a.isNull())
        return a;
    if (isWhole(a))
        return wholeOrDouble(-wholeOf(a));
    if (a.kind() == Kind::Currency)
        return Value::currency(-a.currencyScaled());
    if (isDate(a))
        return Value::dateTime(-a.dateTimeSerial());
    return Value::real(-toNumber(a));
}

Value arithmetic(Op op, const Value& a, const Value& b) {
    if (a.isNull() || b.isNull())
        return Value();
    if (op == Op::Add && isText(a) && isText(b))
        return Value::text(a.text() + b.text());
    if (op == Op::Add || op == Op::Subtract) {
        if (isDate(a) && isDate(b) && op == Op::Subtract)
            return Value::real(a.dateTimeSerial() - b.dateTimeSerial());
        if (isDate(a) || isDate(b)) {
            const double r = op == Op::Add ? toDate(a) + toDate(b) : toDate(a) - toDate(b);
            return Value::dateTime(r);
        }
    }
    const bool whole = isWhole(a) && isWhole(b);
    const bool currency = !whole && (a.kind() == Kind::Currency || b.kind() == Kind::Currency) &&
                          a.kind() != Kind::Double && b.kind() != Kind::Double && a.kind() != Kind::Single &&
                          b.kind() != Kind::Single && !isText(a) && !isText(b);
    switch (op) {
    case Op::Add:
        if (whole)
            return wholeOrDouble(wholeOf(a) + wholeOf(b));
        return currency ? currencyOrOverflow(toNumber(a) + toNumber(b)) : Value::real(toNumber(a) + toNumber(b));
    case Op::Subtract:
        if (whole)
            return wholeOrDouble(wholeOf(a) - wholeOf(b));
        return currency ? currencyOrOverflow(toNumber(a) - toNumber(b)) : Value::real(toNumber(a) - toNumber(b));
    case Op::Multiply:
        if (whole)
            return wholeOrDouble(wholeOf(a) * wholeOf(b));
        return currency ? currencyOrOverflow(toNumber(a) * toNumber(b)) : Value::real(toNumber(a) * toNumber(b));
    case Op::Divide: {
        const double d = toNumber(b);
        if (d == 0)
            fail(kDivisionByZero, "a division by zero");
        return Value::real(toNumber(a) / d);
    }
    case Op::IntDivide:
    case Op::Mod: {
        // Both operands are first rounded to whole numbers.
        const std::int64_t x = toWhole(a), y = toWhole(b);
        if (y == 0)
            fail(kDivisionByZero, "a division by zero");
        return Value::integer(op == Op::IntDivide ? x / y : x % y);
    }
    case Op::Power: {
        const double r = std::pow(toNumber(a), toNumber(b));
        if (std::isnan(r) || std::isinf(r))
            fail(kInvalidCall, "a power with no real value");
        return Value::real(r);
    }
    default: fail(kInvalidCall, "an unknown operator");
    }
}

Value concatenate(const Value& a, const Value& b) {
    if (a.isNull() && b.isNull())
        return Value();
    return Value::text((a.isNull() ? "" : toText(a)) + (b.isNull() ? "" : toText(b)));
}

Value compare(Op op, const Value& a, const Value& b) {
    if (a.isNull() || b.isNull())
        return Value();
    const int o = order(a, b);
    switch (op) {
    case Op::Equal: return Value::boolean(o == 0);
    case Op::NotEqual: return Value::boolean(o != 0);
    case Op::Less: return Value::boolean(o < 0);
    case Op::Greater: return Value::boolean(o > 0);
    case Op::LessEqual: return Value::boolean(o <= 0);
    default: return Value::boolean(o >= 0);
    }
}

Value logicalNot(const Value& a) {
    if (a.isNull())
        return a;
    if (a.kind() == Kind::Boolean)
        return Value::boolean(!a.asBool());
    return Value::integer(~toWhole(a));
}

// Three-valued on Yes/No values; bitwise on numbers, as in Visual Basic.
Value logical(Op op, const Value& a, const Value& b) {
    const auto isFalse = [](const Value& v) { return !v.isNull() && !toBoolean(v); };
    const auto isTrue = [](const Value& v) { return !v.isNull() && toBoolean(v); };
    if (a.isNull() || b.isNull()) {
        if (op == Op::And && (isFalse(a) || isFalse(b)))
            return Value::boolean(false);
        if (op == Op::Or && (isTrue(a) || isTrue(b)))
            return Value::boolean(true);
        return Value();
    }
    if (a.kind() == Kind::Boolean && b.kind() == Kind::Boolean) {
        const bool x = a.asBool(), y = b.asBool();
        switch (op) {
        case Op::And: return Value::boolean(x && y);
        case Op::Or: return Value::boolean(x || y);
        case Op::Xor: return Value::boolean(x != y);
        default: return Value::boolean(x == y);
        }
    }
    const std::int64_t x = a.kind() == Kind::Boolean ? wholeOf(a) : toWhole(a);
    const std::int64_t y = b.kind() == Kind::Boolean ? wholeOf(b) : toWhole(b);
    switch (op) {
    case Op::And: return Value::integer(x & y);
    case Op::Or: return Value::integer(x | y);
    case Op::Xor: return Value::integer(x ^ y);
    default: return Value::integer(~(x ^ y));
    }
}

}  // namespace jet::expr
