#pragma once
// Text as Jet stores it, turned into UTF-8: 8-bit text in a Windows code page
// (Jet 3), UCS-2 little endian or its compressed form (Jet 4 and ACE); and
// comparison of text without regard to letter case, as Jet compares names
// and text values.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace jet {

void appendUtf8(std::string& out, char32_t cp);

// UTF-8 is decoded strictly (RFC 3629: no overlong forms, no surrogates,
// nothing above U+10FFFF), here only. What a malformed byte becomes depends on
// where the text goes, and each use says so: U+FFFD in Unicode text
// (appendUtf16), '?' in Windows-1252 as Windows' own conversion writes
// (utf8ToWindows1252), an escape where text is shown (jet/who/Text.h). Either
// way one malformed byte is one replacement, and decoding goes on after it.
//
// The length of the valid UTF-8 sequence that starts at `at`, 0 when none does.
std::size_t utf8SequenceAt(std::string_view s, std::size_t at);
// The code point of the valid sequence of `length` bytes at `at`.
char32_t utf8CodePoint(std::string_view s, std::size_t at, std::size_t length);
// Where the first byte that is not part of valid UTF-8 is; npos when none is.
std::size_t firstInvalidUtf8(std::string_view s);

// Appends the UTF-8 of Jet 4 text: UCS-2 little endian, or the compressed form
// that starts with the bytes FF FE (one byte per character, a zero byte
// switching between one- and two-byte characters). An odd trailing byte is
// dropped; unpaired surrogates become U+FFFD.
void appendUcs2Text(std::span<const std::uint8_t> bytes, std::string& out);
// The same with every '"' written twice, as inside a quoted CSV field.
void appendUcs2CsvText(std::span<const std::uint8_t> bytes, std::string& out);
// The same written at `p`, which has room for ucs2CsvRoom(bytes.size())
// bytes; returns the end of what was written.
char* putUcs2CsvText(std::span<const std::uint8_t> bytes, char* p);
constexpr std::size_t ucs2CsvRoom(std::size_t storedBytes) { return 2 * storedBytes + 3; }

// Appends the UTF-16 code units of UTF-8 text (each malformed byte becomes U+FFFD).
void appendUtf16(std::string_view utf8, std::u16string& out);

// Converts 8-bit text of a Windows code page. Code page 1252 (and 0, which Jet
// writes for it) is converted here; other code pages through iconv.
class CodePageDecoder {
public:
    explicit CodePageDecoder(std::uint16_t codePage);
    ~CodePageDecoder();
    CodePageDecoder(const CodePageDecoder&) = delete;
    CodePageDecoder& operator=(const CodePageDecoder&) = delete;

    // Whether this code page can be converted at all.
    bool supported() const { return builtin_ || converter_ != nullptr; }
    std::uint16_t codePage() const { return codePage_; }
    // Appends the UTF-8 of `bytes`; bytes the code page cannot convert become U+FFFD.
    void append(std::span<const std::uint8_t> bytes, std::string& out) const;

private:
    std::uint16_t codePage_;
    bool builtin_;
    void* converter_ = nullptr;  // iconv_t
};

// Simple case folding of one character (Latin, Greek, Cyrillic letters).
char32_t foldCase(char32_t cp);
// Equality of two UTF-8 strings with letter case ignored.
bool equalsIgnoreCase(std::string_view a, std::string_view b);

}  // namespace jet
