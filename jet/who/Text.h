#pragma once
// Names as ravelin-who shows them. File names and lock-file slots are bytes
// that any client chose: they need not be UTF-8 and may hold control
// characters that steer a terminal. Every output (table, CSV, JSON,
// Prometheus, the --check line, messages) shows them the same way:
//   - a byte that is not part of valid UTF-8, a C0 control (U+0000-U+001F),
//     DEL and a C1 control (U+0080-U+009F, each of its two bytes) as \xHH
//     (two upper-case hex digits);
//   - a backslash as \\, so no name can pass for another one's escape;
//   - everything else as it is.
// The result is valid UTF-8 without control characters, and two different
// names never show alike.
#include <string>
#include <string_view>

namespace jet::who {

std::string printable(std::string_view text);

// `text` as shown, in double quotes, with '"' and '\' escaped by a
// backslash: a JSON string and a Prometheus label value alike.
std::string quotedPrintable(std::string_view text);

// `text` with each byte that is not part of valid UTF-8 replaced by U+FFFD,
// for a parser that accepts UTF-8 only.
std::string validUtf8(std::string_view text);

}  // namespace jet::who
