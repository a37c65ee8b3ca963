#include "jet/text/Text.h"

#include "jet/page/ByteOrder.h"
#include "jet/text/Windows1252.h"

#include <iconv.h>
#include <string>

namespace jet {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Reads one character of UTF-8 at `pos`, advancing it; malformed bytes read as U+FFFD.
char32_t nextUtf8(std::string_view s, std::size_t& pos) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char lead = byte(pos++);
    if (lead < 0x80)
        return lead;
    int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
    if (extra < 0)
        return kReplacement;
    char32_t cp = lead & (0x3F >> extra);
    for (int n = 0; n < extra; ++n) {
        if (pos >= s.size() || (byte(pos) & 0xC0) != 0x80)
            return kReplacement;
        cp = (cp << 6) | (byte(pos++) & 0x3F);
    }
    return cp;
}

}  // namespace

void appendUtf16(std::string_view utf8, std::u16string& out) {
    for (std::size_t pos = 0; pos < utf8.size();) {
        const char32_t cp = nextUtf8(utf8, pos);
        if (cp >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
    }
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        cp = kReplacement;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

void appendUcs2Text(std::span<const std::uint8_t> bytes, std::string& out) {
    char16_t pendingHigh = 0;
    const auto emit = [&](char16_t unit) {
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            if (pendingHigh)
                appendUtf8(out, kReplacement);
            pendingHigh = unit;
            return;
        }
        if (unit >= 0xDC00 && unit <= 0xDFFF) {
            if (pendingHigh) {
                appendUtf8(out, 0x10000 + ((static_cast<char32_t>(pendingHigh) - 0xD800) << 10) + (unit - 0xDC00));
                pendingHigh = 0;
            } else {
                appendUtf8(out, kReplacement);
            }
            return;
        }
        if (pendingHigh) {
            appendUtf8(out, kReplacement);
            pendingHigh = 0;
        }
        appendUtf8(out, unit);
    };

    const std::size_t n = bytes.size();
    if (n >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        bool compressed = true;
        std::size_t i = 2;
        while (i < n) {
            if (bytes[i] == 0) {
                compressed = !compressed;
                ++i;
            } else if (compressed) {
                emit(bytes[i]);
                ++i;
            } else if (i + 1 < n) {
                emit(readU16(&bytes[i]));
                i += 2;
            } else {
                break;
            }
        }
    } else {
        out.reserve(out.size() + n / 2);
        for (std::size_t i = 0; i + 1 < n; i += 2)
            emit(readU16(&bytes[i]));
    }
    if (pendingHigh)
        appendUtf8(out, kReplacement);
}

CodePageDecoder::CodePageDecoder(std::uint16_t codePage)
    : codePage_(codePage), builtin_(codePage == 1252 || codePage == 0) {
    if (builtin_)
        return;
    const std::string name = "CP" + std::to_string(codePage);
    iconv_t cd = ::iconv_open("UTF-8", name.c_str());
    if (cd != reinterpret_cast<iconv_t>(-1))
        converter_ = cd;
}

CodePageDecoder::~CodePageDecoder() {
    if (converter_)
        ::iconv_close(static_cast<iconv_t>(converter_));
}

void CodePageDecoder::append(std::span<const std::uint8_t> bytes, std::string& out) const {
    if (builtin_ || !converter_) {
        bool ascii = true;
        for (auto b : bytes)
            ascii = ascii && b < 0x80;
        if (ascii)
            out.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        else
            out += windows1252ToUtf8(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        return;
    }
    auto cd = static_cast<iconv_t>(converter_);
    ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(reinterpret_cast<const char*>(bytes.data()));
    std::size_t inLeft = bytes.size();
    char buffer[256];
    while (inLeft > 0) {
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t rc = ::iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, sizeof buffer - outLeft);
        if (rc == static_cast<std::size_t>(-1) && outLeft == sizeof buffer && inLeft > 0) {
            // A byte the code page cannot convert: replace it and go on.
            appendUtf8(out, kReplacement);
            ++in;
            --inLeft;
        }
    }
}

char32_t foldCase(char32_t c) {
    if (c < 0x80)
        return (c >= 'A' && c <= 'Z') ? c + 32 : c;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7)
        return c + 32;
    if (c >= 0x100 && c <= 0x17F) {
        // U+0130 (I with dot above) has no simple case folding: it is not 'i',
        // as Jet's General order also keeps it apart from 'i'.
        if (c == 0x130)
            return c;
        if (c == 0x178)
            return 0xFF;
        const bool oddUpper = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        if (c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F)
            return c;
        if (oddUpper)
            return (c & 1) ? c + 1 : c;
        return (c & 1) ? c : c + 1;
    }
    if ((c >= 0x391 && c <= 0x3A9 && c != 0x3A2) || (c >= 0x410 && c <= 0x42F))
        return c + 32;
    if (c >= 0x400 && c <= 0x40F)
        return c + 80;
    return c;
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const unsigned char ca = static_cast<unsigned char>(a[i]);
        const unsigned char cb = static_cast<unsigned char>(b[j]);
        if (ca < 0x80 && cb < 0x80) {
            if (foldCase(ca) != foldCase(cb))
                return false;
            ++i;
            ++j;
            continue;
        }
        if (foldCase(nextUtf8(a, i)) != foldCase(nextUtf8(b, j)))
            return false;
    }
    return i == a.size() && j == b.size();
}

}  // namespace jet
