#pragma once
// Windows-1252, the ANSI code page in which Jet clients write lock files and
// Jet 3 files hold 8-bit text. The five bytes the code page leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 controls of the same value, as
// Windows does, so every byte string decodes and encodes back unchanged.
#include <string>
#include <string_view>

namespace jet {

std::string windows1252ToUtf8(std::string_view bytes);

// Characters with no Windows-1252 byte become '?'; each malformed byte of
// UTF-8 likewise (jet/text/Text.h).
std::string utf8ToWindows1252(std::string_view utf8);

}  // namespace jet
