#include "jet/who/Json.h"

#include "jet/text/Text.h"

#include <cctype>
#include <stdexcept>

namespace jet::who {

const Json* Json::get(std::string_view key) const {
    for (const auto& [name, value] : members)
        if (name == key)
            return &value;
    return nullptr;
}

const std::string& Json::scalar() const {
    static const std::string none;
    return kind == Kind::String || kind == Kind::Number ? text : none;
}

namespace {

class Parser {
public:
    explicit Parser(std::string_view text) : s_(text) {}

    Json document() {
        Json v = value(0);
        skipBlanks();
        if (at_ != s_.size())
            fail("text after the document");
        return v;
    }

private:
    static constexpr int kMaxDepth = 64;

    [[noreturn]] void fail(const std::string& what) const {
        throw std::runtime_error("not JSON at offset " + std::to_string(at_) + ": " + what);
    }
    void skipBlanks() {
        while (at_ < s_.size() && (s_[at_] == ' ' || s_[at_] == '\n' || s_[at_] == '\r' || s_[at_] == '\t'))
            ++at_;
    }
    char peek() {
        skipBlanks();
        if (at_ >= s_.size())
            fail("unexpected end");
        return s_[at_];
    }
    void expect(char c) {
        if (peek() != c)
            fail(std::string("expected '") + c + "'");
        ++at_;
    }
    bool word(std::string_view w) {
        if (s_.substr(at_, w.size()) != w)
            return false;
        at_ += w.size();
        return true;
    }

    Json value(int depth) {
        if (depth > kMaxDepth)
            fail("nested too deeply");
        Json v;
        const char c = peek();
        if (c == '{') {
            v.kind = Json::Kind::Object;
            ++at_;
            if (peek() == '}') {
                ++at_;
                return v;
            }
            for (;;) {
                if (peek() != '"')
                    fail("expected a member name");
                std::string name = string();
                expect(':');
                v.members.push_back({std::move(name), value(depth + 1)});
                if (peek() == ',') {
                    ++at_;
                    continue;
                }
                expect('}');
                return v;
            }
        }
        if (c == '[') {
            v.kind = Json::Kind::Array;
            ++at_;
            if (peek() == ']') {
                ++at_;
                return v;
            }
            for (;;) {
                v.items.push_back(value(depth + 1));
                if (peek() == ',') {
                    ++at_;
                    continue;
                }
                expect(']');
                return v;
            }
        }
        if (c == '"') {
            v.kind = Json::Kind::String;
            v.text = string();
            return v;
        }
        for (const char* b : {"true", "false"}) {
            if (word(b)) {
                v.kind = Json::Kind::Boolean;
                v.text = b;
                return v;
            }
        }
        if (word("null"))
            return v;
        const std::size_t start = at_;
        while (at_ < s_.size() && (std::isdigit(static_cast<unsigned char>(s_[at_])) || s_[at_] == '-' ||
                                   s_[at_] == '+' || s_[at_] == '.' || s_[at_] == 'e' || s_[at_] == 'E'))
            ++at_;
        if (at_ == start)
            fail("unexpected character");
        v.kind = Json::Kind::Number;
        v.text = std::string(s_.substr(start, at_ - start));
        return v;
    }

    unsigned hex4() {
        if (at_ + 4 > s_.size())
            fail("short \\u escape");
        unsigned u = 0;
        for (int i = 0; i < 4; ++i) {
            const char h = s_[at_++];
            u = u * 16 + static_cast<unsigned>(h >= '0' && h <= '9' ? h - '0'
                                               : h >= 'a' && h <= 'f' ? h - 'a' + 10
                                               : h >= 'A' && h <= 'F' ? h - 'A' + 10
                                                                      : (fail("bad \\u escape"), 0));
        }
        return u;
    }

    std::string string() {
        expect('"');
        std::string out;
        for (;;) {
            if (at_ >= s_.size())
                fail("unterminated string");
            const char c = s_[at_++];
            if (c == '"')
                return out;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (at_ >= s_.size())
                fail("unterminated string");
            const char e = s_[at_++];
            switch (e) {
            case 'n': out += '\n'; break;
            case 't': out += '\t'; break;
            case 'r': out += '\r'; break;
            case 'b': out += '\b'; break;
            case 'f': out += '\f'; break;
            case 'u': {
                unsigned cp = hex4();
                if (cp >= 0xD800 && cp < 0xDC00 && word("\\u")) {
                    const unsigned low = hex4();
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                }
                jet::appendUtf8(out, cp);
                break;
            }
            default: out += e;
            }
        }
    }

    std::string_view s_;
    std::size_t at_ = 0;
};

}  // namespace

Json parseJson(std::string_view text) { return Parser(text).document(); }

}  // namespace jet::who
