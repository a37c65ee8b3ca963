#include "jet/text/Text.h"

#include "jet/page/Coding.h"
#include "jet/text/Windows1252.h"

#include <cstring>
#include <iconv.h>
#include <string>

namespace jet {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

}  // namespace

std::size_t utf8SequenceAt(std::string_view s, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char b = byte(at);
    if (b < 0x80)
        return 1;
    std::size_t n = 0;
    unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
    if (b >= 0xC2 && b <= 0xDF) {
        n = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
        n = 3;
        low = b == 0xE0 ? 0xA0 : 0x80;
        high = b == 0xED ? 0x9F : 0xBF;
    } else if (b >= 0xF0 && b <= 0xF4) {
        n = 4;
        low = b == 0xF0 ? 0x90 : 0x80;
        high = b == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (at + n > s.size() || byte(at + 1) < low || byte(at + 1) > high)
        return 0;
    for (std::size_t i = 2; i < n; ++i)
        if (byte(at + i) < 0x80 || byte(at + i) > 0xBF)
            return 0;
    return n;
}

char32_t utf8CodePoint(std::string_view s, std::size_t at, std::size_t length) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    if (length == 1)
        return byte(at);
    char32_t cp = byte(at) & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i)
        cp = (cp << 6) | (byte(at + i) & 0x3F);
    return cp;
}

namespace {

// Reads one character of UTF-8 at `pos`, advancing it; a malformed byte reads
// as U+FFFD and decoding goes on at the next byte.
char32_t nextUtf8(std::string_view s, std::size_t& pos) {
    const std::size_t n = utf8SequenceAt(s, pos);
    pos += n == 0 ? 1 : n;
    return n == 0 ? kReplacement : utf8CodePoint(s, pos - n, n);
}

}  // namespace

std::size_t firstInvalidUtf8(std::string_view s) {
    for (std::size_t at = 0; at < s.size();) {
        const std::size_t n = utf8SequenceAt(s, at);
        if (n == 0)
            return at;
        at += n;
    }
    return std::string_view::npos;
}

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

namespace {

// Writes the UTF-8 of `cp` at `p` (room for 4 bytes); returns the end.
char* putUtf8(char* p, char32_t cp) {
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        cp = kReplacement;
    if (cp < 0x80) {
        *p++ = static_cast<char>(cp);
    } else if (cp < 0x800) {
        *p++ = static_cast<char>(0xC0 | (cp >> 6));
        *p++ = static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        *p++ = static_cast<char>(0xE0 | (cp >> 12));
        *p++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        *p++ = static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        *p++ = static_cast<char>(0xF0 | (cp >> 18));
        *p++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        *p++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        *p++ = static_cast<char>(0x80 | (cp & 0x3F));
    }
    return p;
}

// UTF-16 code units to UTF-8, pairing surrogates; an unpaired one becomes
// U+FFFD. With `doubleQuotes`, every '"' is written twice.
class Utf16ToUtf8 {
public:
    Utf16ToUtf8(char* p, bool doubleQuotes) : p_(p), doubleQuotes_(doubleQuotes) {}
    void unit(char16_t u) {
        if (u < 0x80 && !pendingHigh_) {
            if (u == '"' && doubleQuotes_)
                *p_++ = '"';
            *p_++ = static_cast<char>(u);
        } else if (u >= 0xD800 && u <= 0xDBFF) {
            if (pendingHigh_)
                p_ = putUtf8(p_, kReplacement);
            pendingHigh_ = u;
        } else if (u >= 0xDC00 && u <= 0xDFFF) {
            p_ = putUtf8(p_, pendingHigh_ ? 0x10000 + ((char32_t{pendingHigh_} - 0xD800) << 10) + (u - 0xDC00)
                                          : kReplacement);
            pendingHigh_ = 0;
        } else {
            if (pendingHigh_)
                p_ = putUtf8(p_, kReplacement);
            pendingHigh_ = 0;
            if (u == '"' && doubleQuotes_)
                *p_++ = '"';
            p_ = putUtf8(p_, u);
        }
    }
    // Characters below 0x80 other than '"', copied as they are.
    void ascii(const std::uint8_t* from, std::size_t count) {
        if (pendingHigh_)
            p_ = putUtf8(p_, kReplacement);
        pendingHigh_ = 0;
        std::memcpy(p_, from, count);
        p_ += count;
    }
    char* finish() {
        if (pendingHigh_)
            p_ = putUtf8(p_, kReplacement);
        return p_;
    }

private:
    char* p_;
    bool doubleQuotes_;
    char16_t pendingHigh_ = 0;
};

constexpr std::uint64_t kOnes = 0x0101010101010101u, kHighs = 0x8080808080808080u;

// Whether none of the eight bytes of `w` is zero, above 0x7F or (with
// `quotes` = eight '"') a '"'. Once no byte has its high bit set, subtracting
// one from each sets a high bit only by passing through a zero byte (of w, or
// of w ^ quotes).
bool plainWord(std::uint64_t w, std::uint64_t quotes) {
    return ((w | (w - kOnes) | ((w ^ quotes) - kOnes)) & kHighs) == 0;
}

bool plainByte(std::uint8_t c, bool stopAtQuote) { return c != 0 && c < 0x80 && !(stopAtQuote && c == '"'); }

// The end of the run of plain bytes from `i` (see plainWord), tested eight
// at a time; the last eight bytes are tested as one word too, overlapping
// those already tested.
std::size_t asciiRunEnd(const std::uint8_t* b, std::size_t i, std::size_t n, bool stopAtQuote) {
    const std::uint64_t quotes = stopAtQuote ? 0x2222222222222222u : 0;
    const auto plain = [&](std::size_t at) {
        std::uint64_t w;
        std::memcpy(&w, b + at, 8);
        return plainWord(w, quotes);
    };
    const std::size_t from = i;
    while (i + 8 <= n && plain(i))
        i += 8;
    if (i + 8 > n && n - from >= 8 && plain(n - 8))
        return n;
    while (i < n && plainByte(b[i], stopAtQuote))
        ++i;
    return i;
}

// Writes at `p`, which has room for ucs2CsvRoom(bytes.size()): no input byte
// makes more than two bytes of UTF-8 (one of compressed text at most two, a
// UCS-2 unit of two at most three, a '"' doubled two), and an unpaired
// surrogate at the end three more.
char* putUcs2(std::span<const std::uint8_t> bytes, char* p, bool doubleQuotes) {
    const std::size_t n = bytes.size();
    const std::uint8_t* b = bytes.data();
    if (n >= 2 && b[0] == 0xFF && b[1] == 0xFE) {
        // The common case, plain ASCII, copied a word at a time as it is tested.
        const std::uint64_t quotes = doubleQuotes ? 0x2222222222222222u : 0;
        std::size_t i = 2;
        for (std::uint64_t w; i + 8 <= n; i += 8, p += 8) {
            std::memcpy(&w, b + i, 8);
            if (!plainWord(w, quotes))
                break;
            std::memcpy(p, &w, 8);
        }
        // Fewer than eight bytes left after plain words: the last eight as one
        // word, overlapping those copied.
        if (i < n && i + 8 > n && n - 2 >= 8) {
            std::uint64_t w;
            std::memcpy(&w, b + n - 8, 8);
            if (plainWord(w, quotes)) {
                p += n - i;
                std::memcpy(p - 8, &w, 8);
                return p;
            }
        }
        for (; i < n && plainByte(b[i], doubleQuotes); ++i)
            *p++ = static_cast<char>(b[i]);
        if (i == n)
            return p;
        Utf16ToUtf8 utf8(p, doubleQuotes);
        bool compressed = true;  // every byte before `i` was a character
        while (i < n) {
            if (b[i] == 0) {
                compressed = !compressed;
                ++i;
            } else if (compressed) {
                const std::size_t end = asciiRunEnd(b, i, n, doubleQuotes);
                if (end > i) {
                    utf8.ascii(b + i, end - i);
                    i = end;
                } else {
                    utf8.unit(b[i++]);
                }
            } else if (i + 1 < n) {
                utf8.unit(readU16(&b[i]));
                i += 2;
            } else {
                break;
            }
        }
        return utf8.finish();
    }
    Utf16ToUtf8 utf8(p, doubleQuotes);
    for (std::size_t i = 0; i + 1 < n; i += 2)
        utf8.unit(readU16(&b[i]));
    return utf8.finish();
}

void appendUcs2(std::span<const std::uint8_t> bytes, std::string& out, bool doubleQuotes) {
    const std::size_t start = out.size();
    out.resize(start + ucs2CsvRoom(bytes.size()));
    out.resize(static_cast<std::size_t>(putUcs2(bytes, out.data() + start, doubleQuotes) - out.data()));
}

}  // namespace

void appendUtf8(std::string& out, char32_t cp) {
    char bytes[4];
    out.append(bytes, putUtf8(bytes, cp));
}

void appendUcs2Text(std::span<const std::uint8_t> bytes, std::string& out) { appendUcs2(bytes, out, false); }

void appendUcs2CsvText(std::span<const std::uint8_t> bytes, std::string& out) { appendUcs2(bytes, out, true); }

char* putUcs2CsvText(std::span<const std::uint8_t> bytes, char* p) { return putUcs2(bytes, p, true); }

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
