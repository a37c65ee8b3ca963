#pragma once
// `--version` of the command-line tools: the program's name and the
// project's version, which CMake passes in as RAVELIN_VERSION.
#include <cstdio>
#include <string_view>

inline bool asksVersion(std::string_view argument) { return argument == "--version"; }

// Prints the version; the exit code to end with.
inline int printVersion(const char* program) {
    std::printf("%s %s\n", program, RAVELIN_VERSION);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
