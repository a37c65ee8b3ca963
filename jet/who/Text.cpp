#include "jet/who/Text.h"

#include "jet/text/Text.h"

namespace jet::who {

namespace {

void appendEscaped(std::string& out, unsigned char b) {
    static const char kHex[] = "0123456789ABCDEF";
    out += "\\x";
    out += kHex[b >> 4];
    out += kHex[b & 0xF];
}

}  // namespace

std::string printable(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = utf8SequenceAt(text, i);
        const auto b = static_cast<unsigned char>(text[i]);
        const bool c1 = n == 2 && b == 0xC2 && static_cast<unsigned char>(text[i + 1]) <= 0x9F;
        if (n == 0 || b < 0x20 || b == 0x7F || c1) {
            for (std::size_t k = 0; k < (c1 ? 2 : 1); ++k)
                appendEscaped(out, static_cast<unsigned char>(text[i + k]));
            i += c1 ? 2 : 1;
            continue;
        }
        if (b == '\\')
            out += '\\';
        out.append(text.substr(i, n));
        i += n;
    }
    return out;
}

std::string quotedPrintable(std::string_view text) {
    std::string out = "\"";
    for (char c : printable(text)) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + '"';
}

std::string validUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = utf8SequenceAt(text, i);
        if (n == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
        } else {
            out.append(text.substr(i, n));
            i += n;
        }
    }
    return out;
}

}  // namespace jet::who
